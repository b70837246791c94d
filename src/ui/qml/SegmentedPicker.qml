import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Shell

// A titled row of mutually exclusive segments; the chosen one is lifted out of the track.
ColumnLayout {
    id: root

    property string title
    property var options: []
    property string current

    signal picked(string option)

    spacing: 6

    Text {
        text: root.title
        font.pixelSize: PremiumPalette.caption2Size
        font.weight: Font.DemiBold
        color: PremiumPalette.secondaryText
    }
    Rectangle {
        Layout.fillWidth: true
        implicitHeight: 30
        opacity: root.enabled ? 1 : 0.3
        radius: 8
        color: Qt.rgba(0, 0, 0, 0.28)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.08)

        RowLayout {
            anchors.fill: parent
            anchors.margins: 2
            spacing: 2

            Repeater {
                model: root.options
                delegate: RadioButton {
                    id: segment
                    required property string modelData
                    readonly property bool chosen: modelData === root.current

                    objectName: "segment-" + modelData
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    text: modelData
                    focusPolicy: Qt.StrongFocus
                    checkable: true
                    checked: chosen
                    Accessible.role: Accessible.RadioButton
                    // Drawn by the track alone; radio buttons for assistive technology.
                    indicator: null
                    padding: 0
                    Accessible.onToggleAction: clicked()
                    Accessible.onPressAction: clicked()
                    onClicked: root.picked(modelData)

                    background: Rectangle {
                        radius: 6
                        color: segment.chosen ? Qt.rgba(1, 1, 1, 0.16)
                                              : Qt.rgba(1, 1, 1, segment.hovered ? 0.05 : 0)
                        border.width: segment.visualFocus ? 2 : 0
                        border.color: PremiumPalette.accent
                    }
                    contentItem: Text {
                        text: segment.text
                        font.pixelSize: 12
                        font.weight: segment.chosen ? Font.DemiBold : Font.Normal
                        color: segment.chosen ? "white" : Qt.rgba(1, 1, 1, 0.75)
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                    }
                }
            }
        }
    }
}
