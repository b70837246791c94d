import QtQuick

// A symbol and a short text in one colour on a capsule tinted with that colour.
Rectangle {
    id: root

    property string symbol
    property string text
    property color colour: "white"
    property real verticalInset: 6
    property real fillOpacity: 0.12
    // 0 draws no outline.
    property real outlineOpacity: 0.18

    implicitWidth: label.implicitWidth + 20
    implicitHeight: label.implicitHeight + 2 * verticalInset
    radius: height / 2
    color: Qt.rgba(colour.r, colour.g, colour.b, fillOpacity)
    border.width: outlineOpacity > 0 ? 1 : 0
    border.color: Qt.rgba(colour.r, colour.g, colour.b, outlineOpacity)

    Accessible.role: Accessible.StaticText
    Accessible.name: text

    SymbolLabel {
        id: label
        anchors.centerIn: parent
        symbol: root.symbol
        text: root.text
        colour: root.colour
        bold: true
    }
}
