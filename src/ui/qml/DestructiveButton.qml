import QtQuick
import QtQuick.Controls.Basic
import Pictavo.Shell

// A plain desktop button marked as destructive: red text on the usual grey fill.
AccessibleButton {
    id: root

    readonly property color destructive: Qt.rgba(1.0, 0.27, 0.23, 1)

    implicitHeight: 32
    leftPadding: 16
    rightPadding: 16
    font.pixelSize: 13
    font.weight: Font.Medium

    contentItem: Text {
        text: root.text
        font: root.font
        color: root.destructive
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        implicitHeight: 32
        radius: 7
        color: Qt.rgba(1, 1, 1, root.down ? 0.16 : 0.10)
        border.width: root.visualFocus ? 2 : 1
        border.color: root.visualFocus ? PremiumPalette.accent : Qt.rgba(1, 1, 1, 0.14)
    }
}
