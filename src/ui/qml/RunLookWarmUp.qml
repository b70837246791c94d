import QtQuick
import QtQuick.Controls.Basic
import Pictavo.Shell

// What only a run shows, drawn for a few frames out of sight while the window opens: the
// renderer prepares its shaders and glyphs then, instead of in the run's first frame (with
// software rendering that preparation alone took 70–90 ms there).
Item {
    id: root

    Accessible.ignored: true
    width: 700
    height: 160

    RunProgressView {
        width: parent.width
        height: 50
        progress: 0.5
    }
    Row {
        y: 60
        spacing: 8
        StatusBadge { status: "processing" }
        StatusBadge { status: "done" }
        StatusBadge { status: "failed" }
        PremiumSecondaryButton { text: "Tamamlananları Kaldır" }
        PremiumSecondaryButton {
            text: "Tümünü Temizle"
            opacity: 0.45
        }
    }
    // The settings pane's controls, greyed as a run shows them, in a texture as in the pane.
    Row {
        y: 110
        enabled: false
        spacing: 8
        layer.enabled: true
        AccentSwitch {}
        AccentSlider { width: 80 }
        RoundedTextField {
            width: 60
            text: "1"
            activeFocusOnTab: false
            Accessible.ignored: true
        }
        Text {
            text: "%0123456789"
            font.family: PremiumPalette.tabularDigitsFamily
        }
    }
}
