import QtQuick
import QtQuick.Controls.Basic
import Pictavo.Shell

// A continuous slider whose travelled part and knob take the accent colour.
Slider {
    id: root

    // The names Qt 6.4's accessibility reads a value range under; a Controls slider calls them
    // `from` and `to`, and a screen reader would hear a range of 0 to 0.
    readonly property real minimumValue: from
    readonly property real maximumValue: to

    // Greyed while disabled.
    opacity: enabled ? 1 : 0.3
    implicitHeight: 24

    // The default actions move the knob without telling the listeners, as a drag would.
    Accessible.onIncreaseAction: {
        increase()
        moved()
    }
    Accessible.onDecreaseAction: {
        decrease()
        moved()
    }

    background: Rectangle {
        x: root.leftPadding
        y: root.topPadding + root.availableHeight / 2 - height / 2
        width: root.availableWidth
        height: 4
        radius: 2
        color: Qt.rgba(1, 1, 1, 0.14)

        Rectangle {
            width: root.visualPosition * parent.width
            height: parent.height
            radius: 2
            color: PremiumPalette.accent
        }
    }
    handle: Rectangle {
        x: root.leftPadding + root.visualPosition * (root.availableWidth - width)
        y: root.topPadding + root.availableHeight / 2 - height / 2
        width: 18
        height: 18
        radius: 9
        color: root.pressed ? "#f0f0f0" : "white"
        border.width: root.visualFocus ? 3 : 0
        border.color: PremiumPalette.accent
    }
}
