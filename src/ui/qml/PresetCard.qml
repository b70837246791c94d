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

    background: Rectangle {
        radius: 14
        color: Qt.rgba(1, 1, 1, root.current ? 0.13 : 0.055)
        border.width: root.visualFocus ? 2 : (root.current ? 1.5 : 1)
        border.color: root.visualFocus ? "white"
                      : root.current ? Qt.rgba(PremiumPalette.accent.r, PremiumPalette.accent.g,
                                               PremiumPalette.accent.b, 0.82)
                                     : Qt.rgba(1, 1, 1, 0.08)
        Behavior on color { ColorAnimation { duration: 200 } }
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
                    name: "checkmark.circle.fill"
                    colour: PremiumPalette.accentSoft
                    size: 14
                }
            }
            Text {
                objectName: "presetDetail"
                Layout.fillWidth: true
                text: root.detail
                font.pixelSize: PremiumPalette.caption2Size
                color: Qt.rgba(1, 1, 1, 0.65)
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
    }
}
