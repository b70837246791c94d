import QtQuick

// One of the window's symbols, drawn in one colour.
Image {
    id: root

    property string name
    property color colour: "white"
    property real size: 16

    width: size
    height: size
    sourceSize: Qt.size(Math.ceil(size * Screen.devicePixelRatio), Math.ceil(size * Screen.devicePixelRatio))
    source: name ? "image://symbol/" + name + "/" + PremiumPalette.symbolColour(colour) : ""
    fillMode: Image.PreserveAspectFit
    smooth: true
    Accessible.ignored: true
}
