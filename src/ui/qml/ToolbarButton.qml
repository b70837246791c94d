import QtQuick
import QtQuick.Controls.Basic

// A toolbar item: a symbol and a title.
AccessibleButton {
    id: root

    property string symbol

    implicitHeight: 34
    leftPadding: 10
    rightPadding: 12
    font.pixelSize: 13
    font.weight: Font.Medium

    contentItem: Row {
        spacing: 6
        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            name: root.symbol
            colour: Qt.rgba(1, 1, 1, root.down ? 0.7 : 0.9)
            size: 16
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: root.text
            font: root.font
            color: Qt.rgba(1, 1, 1, root.down ? 0.7 : 0.9)
        }
    }

    background: Rectangle {
        radius: 8
        color: Qt.rgba(1, 1, 1, root.down ? 0.12 : (root.hovered ? 0.08 : 0))
        border.width: root.visualFocus ? 2 : 0
        border.color: PremiumPalette.accent
    }
}
