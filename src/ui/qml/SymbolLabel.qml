import QtQuick

// A symbol followed by a short text, both in one colour: the queue's small figures and badges.
Row {
    id: root

    property string symbol
    property string text
    property color colour: "white"
    property int pixelSize: PremiumPalette.captionSize
    property bool bold: false

    spacing: 4

    SymbolIcon {
        anchors.verticalCenter: parent.verticalCenter
        visible: root.symbol !== ""
        name: root.symbol
        colour: root.colour
        size: root.pixelSize
    }
    Text {
        objectName: "labelText"
        anchors.verticalCenter: parent.verticalCenter
        text: root.text
        font.pixelSize: root.pixelSize
        font.bold: root.bold
        color: root.colour
    }
}
