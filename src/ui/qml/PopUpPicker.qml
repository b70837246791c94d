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
            Accessible.selected: box.currentIndex === index
            Accessible.onPressAction: option.clicked()
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
