import QtQuick
import QtQuick.Controls.Basic
import Pictavo.Shell

// An on/off switch without a visible label, filled with the accent colour when on.
Switch {
    id: root

    // Greyed while disabled, as the Basic style greys its controls; panels and headers stay.
    opacity: enabled ? 1 : 0.3
    implicitWidth: 38
    implicitHeight: 22
    padding: 0
    spacing: 0

    indicator: Rectangle {
        x: root.leftPadding
        y: (root.height - height) / 2
        implicitWidth: 38
        implicitHeight: 22
        radius: height / 2
        color: root.checked ? PremiumPalette.accent : Qt.rgba(1, 1, 1, 0.16)
        border.width: root.visualFocus ? 2 : 0
        border.color: "white"

        Rectangle {
            x: root.checked ? parent.width - width - 2 : 2
            anchors.verticalCenter: parent.verticalCenter
            width: 18
            height: 18
            radius: 9
            color: "white"
            Behavior on x {
                enabled: !Motion.reduceMotion
                NumberAnimation { duration: 120; easing.type: Easing.OutQuad }
            }
        }
        Behavior on color { ColorAnimation { duration: 120 } }
    }
    contentItem: Item {}

    // The default actions would set `checked` without telling the listeners.
    Accessible.onToggleAction: flip()
    Accessible.onPressAction: flip()
    function flip() {
        toggle()
        toggled()
    }
}
