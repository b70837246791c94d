import QtQuick
import Pictavo.Shell

// A panel's first row: its symbol and title.
Row {
    id: root

    property string symbol
    property string title

    spacing: 8

    SymbolIcon {
        anchors.verticalCenter: parent.verticalCenter
        name: root.symbol
        size: 16
    }
    Text {
        anchors.verticalCenter: parent.verticalCenter
        text: root.title
        font.family: PremiumPalette.roundedFamily
        font.pixelSize: 14
        font.weight: Font.Black
        color: "white"
        Accessible.role: Accessible.Heading
        Accessible.name: root.title
    }
}
