import QtQuick
import QtQuick.Layouts

// One live figure of the header: a symbol, a small label and its value, on a faint capsule.
Rectangle {
    id: root

    property string symbol
    property string label
    // Not `value`: Qt 6.4 would announce each change of a property by that name as a change
    // of a slider's value, which a label does not have.
    property string figure

    implicitWidth: row.implicitWidth + 24
    implicitHeight: row.implicitHeight + 18
    radius: height / 2
    color: Qt.rgba(1, 1, 1, 0.07)
    border.width: 1
    border.color: Qt.rgba(1, 1, 1, 0.09)

    Accessible.role: Accessible.StaticText
    Accessible.name: label + " " + figure

    RowLayout {
        id: row
        anchors.centerIn: parent
        spacing: 9

        SymbolIcon {
            name: root.symbol
            colour: PremiumPalette.accentSoft
            size: 16
        }
        ColumnLayout {
            spacing: 1
            Text {
                text: root.label
                font.pixelSize: PremiumPalette.caption2Size
                font.weight: Font.Medium
                color: PremiumPalette.secondaryText
            }
            Text {
                objectName: "chipValue"
                text: root.figure
                font.pixelSize: PremiumPalette.captionSize
                font.bold: true
                color: "white"
                maximumLineCount: 1
                elide: Text.ElideRight
            }
        }
    }
}
