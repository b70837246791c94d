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
    // The inspector's disabled look: its texture drawn at half opacity.
    Rectangle {
        y: 110
        width: 120
        height: 40
        color: PremiumPalette.accent
        layer.enabled: true
        opacity: 0.5
        Text {
            text: "%0123456789"
            font.family: PremiumPalette.tabularDigitsFamily
        }
    }
}
