import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Shell

// A setting that is on or off: a bold title over its explanation, and a switch.
Rectangle {
    id: root

    property string title
    property string explanation
    property bool checked: false
    readonly property alias toggle: toggle

    signal toggled(bool checked)

    implicitHeight: row.implicitHeight + 24
    radius: 14
    color: Qt.rgba(1, 1, 1, 0.05)

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.margins: 12
        spacing: 12

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 3
            Text {
                Layout.fillWidth: true
                text: root.title
                font.pixelSize: PremiumPalette.captionSize
                font.bold: true
                color: "white"
                wrapMode: Text.WordWrap
            }
            Text {
                Layout.fillWidth: true
                text: root.explanation
                font.pixelSize: PremiumPalette.caption2Size
                color: PremiumPalette.secondaryText
                wrapMode: Text.WordWrap
            }
        }
        AccentSwitch {
            id: toggle
            checked: root.checked
            Accessible.name: root.title
            onToggled: root.toggled(checked)
        }
    }
}
