import QtQuick
import QtQuick.Controls.Basic
import Pictavo.Shell

// The quiet capsule button: a faint white fill that dims when pressed, shrinking a little
// unless the desktop asks for reduced motion.
AccessibleButton {
    id: root

    property string symbol

    readonly property bool reduceMotion: Motion.reduceMotion

    implicitHeight: Math.max(40, implicitContentHeight)
    leftPadding: 15
    rightPadding: 15
    topPadding: 0
    bottomPadding: 0
    font.family: PremiumPalette.roundedFamily
    font.pixelSize: 13
    font.weight: Font.DemiBold
    // 0 → 1 as the button goes down: fill, label and scale follow it together.
    property real pressAmount: down ? 1 : 0
    Behavior on pressAmount {
        enabled: !root.reduceMotion
        NumberAnimation { duration: 80; easing.type: Easing.OutQuad }
    }
    readonly property color labelColour: Qt.rgba(1, 1, 1, 0.92 - 0.20 * pressAmount)
    scale: reduceMotion ? 1.0 : 1.0 - 0.01 * pressAmount

    contentItem: Item {
        implicitWidth: label.implicitWidth
        implicitHeight: label.implicitHeight

        Row {
            id: label
            anchors.centerIn: parent
            spacing: 7
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                visible: root.symbol !== ""
                name: root.symbol
                colour: root.labelColour
                size: 15
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                visible: root.text !== ""
                text: root.text
                font: root.font
                color: root.labelColour
            }
        }
    }

    background: Rectangle {
        implicitHeight: 40
        radius: height / 2
        color: Qt.rgba(1, 1, 1, 0.10 - 0.025 * root.pressAmount)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.13)
        // Keyboard focus shows as an accent ring.
        Rectangle {
            anchors.fill: parent
            anchors.margins: -3
            radius: height / 2
            color: "transparent"
            border.width: 2
            border.color: PremiumPalette.accent
            visible: root.visualFocus
        }
    }
}
