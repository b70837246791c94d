import QtQuick
import QtQuick.Controls.Basic
import Pictavo.Shell

// A text field with a rounded border that shows keyboard focus in the accent colour.
TextField {
    id: root

    // Greyed while disabled.
    opacity: enabled ? 1 : 0.3
    implicitHeight: 30
    leftPadding: 9
    rightPadding: 9
    font.pixelSize: 13
    color: "white"
    placeholderTextColor: Qt.rgba(1, 1, 1, 0.38)
    selectionColor: PremiumPalette.accent
    selectedTextColor: "white"
    selectByMouse: true

    background: Rectangle {
        radius: 7
        color: Qt.rgba(0, 0, 0, root.enabled ? 0.28 : 0.18)
        border.width: root.activeFocus ? 2 : 1
        border.color: root.activeFocus ? PremiumPalette.accent : Qt.rgba(1, 1, 1, 0.14)
    }
}
