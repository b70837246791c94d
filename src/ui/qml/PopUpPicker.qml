import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Shell

// A titled pop-up menu of text options.
RowLayout {
    id: root

    property string title
    property var options: []
    property string current
    readonly property alias box: box

    signal picked(string option)

    spacing: 10

    Text {
        text: root.title
        font.pixelSize: 12
        font.weight: Font.DemiBold
        color: "white"
    }
    ComboBox {
        id: box
        objectName: "popUpBox"
        Layout.fillWidth: true
        implicitHeight: 30
        opacity: enabled ? 1 : 0.3
        model: root.options
        currentIndex: root.options.indexOf(root.current)
        font.pixelSize: 13
        Accessible.name: root.title
        Accessible.description: box.displayText
        Accessible.onPressAction: box.popup.open()
        onActivated: index => root.picked(root.options[index])

        background: Rectangle {
            radius: 7
            color: Qt.rgba(1, 1, 1, box.pressed ? 0.14 : 0.09)
            border.width: box.visualFocus ? 2 : 1
            border.color: box.visualFocus ? PremiumPalette.accent : Qt.rgba(1, 1, 1, 0.14)
        }
        contentItem: Text {
            leftPadding: 10
            text: box.displayText
            font: box.font
            color: "white"
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
        }
        // The options again, as the box's own children for a screen reader: the list that pops
        // up lives in the window's overlay, away from the box. Shown while that list is, where
        // it is; a press chooses.
        Item {
            objectName: "accessibleOptions"
            width: box.width
            visible: box.popup.visible
            Accessible.role: Accessible.List
            Accessible.name: root.title

            Repeater {
                model: root.options
                delegate: Item {
                    required property string modelData
                    required property int index
                    y: box.popup.y + box.popup.topPadding + index * box.height
                    width: box.width
                    height: box.height
                    Accessible.role: Accessible.ListItem
                    Accessible.name: modelData
                    Accessible.selectable: true
                    Accessible.selected: box.currentIndex === index
                    Accessible.onPressAction: {
                        box.popup.close()
                        box.activated(index)
                    }
                }
            }
        }
        indicator: SymbolIcon {
            x: box.width - width - 9
            anchors.verticalCenter: parent.verticalCenter
            name: "chevron.down"
            colour: Qt.rgba(1, 1, 1, 0.7)
            size: 13
        }
        delegate: ItemDelegate {
            id: option
            required property string modelData
            required property int index
            width: box.width
            text: modelData
            highlighted: box.highlightedIndex === index
            // Heard through the box's own options, `accessibleOptions`.
            Accessible.ignored: true
            contentItem: Text {
                text: option.text
                font: box.font
                color: "white"
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                color: option.highlighted ? PremiumPalette.accent : "transparent"
                radius: 5
            }
        }
        popup.background: Rectangle {
            color: Qt.rgba(0.12, 0.12, 0.15, 1)
            radius: 8
            border.width: 1
            border.color: PremiumPalette.hairline
        }
    }
}
