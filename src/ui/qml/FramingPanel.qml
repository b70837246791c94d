import QtQuick
import QtQuick.Layouts
import Pictavo.Model
import Pictavo.Shell

// "Kadraj": how the picture meets the target size, and whether small pictures grow.
PremiumPanel {
    id: root

    required property SettingsObject settings

    radius: 24
    padding: 18
    elevated: true

    ColumnLayout {
        width: parent.width
        spacing: 14

        PanelHeader { symbol: "crop"; title: "Kadraj" }

        SegmentedPicker {
            objectName: "modePicker"
            Layout.fillWidth: true
            title: "Ölçekleme"
            options: root.settings.modes
            current: root.settings.mode
            onPicked: option => root.settings.mode = option
        }
        Text {
            objectName: "modeDescription"
            Layout.fillWidth: true
            text: root.settings.modeDescription
            font.pixelSize: PremiumPalette.captionSize
            color: PremiumPalette.secondaryText
            wrapMode: Text.WordWrap
        }
        OptionRow {
            objectName: "upscalingOption"
            Layout.fillWidth: true
            title: "Küçük görselleri büyütme"
            explanation: "Kaynak görsel hedef ölçüden küçükse orijinal boyutunu korur."
            checked: root.settings.preventUpscaling
            onToggled: checked => root.settings.preventUpscaling = checked
        }
    }
}
