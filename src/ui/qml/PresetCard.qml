import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Shell

// One named size in the preset grid; the current one is filled, ringed in orange and ticked.
RadioButton {
    id: root

    required property string title
    required property string subtitle
    required property var presetWidth
    required property var presetHeight
    property bool current: false

    // Plain digits on purpose: "1080 × 1350 · 4:5".
    readonly property string detail: presetWidth + " \u00d7 " + presetHeight + " \u00b7 " + subtitle

    implicitHeight: column.implicitHeight + 22
    focusPolicy: Qt.StrongFocus
    Accessible.name: title + ", " + detail
    Accessible.checked: current
    // A radio button for assistive technology; the card draws its own mark and keeps no padding.
    checked: current
    indicator: null
    padding: 0
    Accessible.onToggleAction: clicked()
    Accessible.onPressAction: clicked()

    // 0 → 1 as the card becomes current: fill, ring and tick move together on one spring.
    property real currentAmount: current ? 1 : 0
    Behavior on currentAmount {
        enabled: !Motion.reduceMotion
        Spring { response: 0.34; dampingFraction: 0.75 }
    }

    background: Rectangle {
        readonly property real amount: Math.max(0, Math.min(1, root.currentAmount))
        radius: 14
        color: Qt.rgba(1, 1, 1, 0.055 + 0.075 * amount)
        border.width: root.visualFocus ? 2 : 1 + 0.5 * amount
        border.color: root.visualFocus
                      ? "white"
                      : Qt.rgba(1 + (PremiumPalette.accent.r - 1) * amount,
                                1 + (PremiumPalette.accent.g - 1) * amount,
                                1 + (PremiumPalette.accent.b - 1) * amount,
                                0.08 + (0.82 - 0.08) * amount)
    }

    contentItem: Item {
        ColumnLayout {
            id: column
            anchors { left: parent.left; right: parent.right; top: parent.top; margins: 11 }
            spacing: 4

            RowLayout {
                Layout.fillWidth: true
                Text {
                    Layout.fillWidth: true
                    text: root.title
                    font.pixelSize: PremiumPalette.captionSize
                    font.bold: true
                    color: "white"
                    elide: Text.ElideRight
                    maximumLineCount: 1
                }
                SymbolIcon {
                    objectName: "currentMark"
                    visible: root.current
                    opacity: Math.min(1, root.currentAmount)
                    scale: 0.5 + 0.5 * root.currentAmount
                    name: "checkmark.circle.fill"
                    colour: PremiumPalette.accentSoft
                    size: 14
                }
            }
            Text {
                objectName: "presetDetail"
                Layout.fillWidth: true
                text: root.detail
                font.family: PremiumPalette.tabularDigitsFamily
                font.pixelSize: PremiumPalette.caption2Size
                color: Qt.rgba(1, 1, 1, 0.65)
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
    }
}
