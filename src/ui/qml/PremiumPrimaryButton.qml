import QtQuick
import QtQuick.Controls.Basic
import Qt5Compat.GraphicalEffects as Effects
import Pictavo.Shell

// The accent capsule button. Pressed, it tightens its shadow and shrinks a little, unless
// the desktop asks for reduced motion. It does not dim when disabled; callers do.
AccessibleButton {
    id: root

    property string symbol

    readonly property bool reduceMotion: Motion.reduceMotion

    implicitHeight: Math.max(44, implicitContentHeight)
    leftPadding: 18
    rightPadding: 18
    topPadding: 0
    bottomPadding: 0
    font.family: PremiumPalette.roundedFamily
    font.pixelSize: 14
    font.bold: true
    // 0 → 1 as the button goes down: every part of the pressed look follows it together.
    property real pressAmount: down ? 1 : 0
    Behavior on pressAmount {
        enabled: !root.reduceMotion
        NumberAnimation { duration: 100; easing.type: Easing.OutQuad }
    }
    scale: reduceMotion ? 1.0 : 1.0 - 0.015 * pressAmount

    // Centred when the button is given more width than its label needs.
    contentItem: Item {
        implicitWidth: label.implicitWidth
        implicitHeight: label.implicitHeight

        Row {
            id: label
            anchors.centerIn: parent
            spacing: 8
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                visible: root.symbol !== ""
                name: root.symbol
                size: 15
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: root.text
                font: root.font
                color: "white"
            }
        }
    }

    background: Item {
        implicitHeight: 44

        Effects.DropShadow {
            anchors.fill: capsule
            source: capsule
            color: Qt.rgba(PremiumPalette.accent.r, PremiumPalette.accent.g, PremiumPalette.accent.b,
                           0.28 - 0.16 * root.pressAmount)
            radius: 11 - 6 * root.pressAmount
            samples: 25
            verticalOffset: 5 - 3 * root.pressAmount
            transparentBorder: true
            // Redrawn only when the shape or the shadow changes, not on every frame of the window.
            cached: true
        }
        Rectangle {
            id: capsule
            anchors.fill: parent
            radius: height / 2
            gradient: AccentGradient {}
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.20 - 0.06 * root.pressAmount)
        }
    }
}
