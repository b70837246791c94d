import QtQuick
import QtQuick.Layouts
import Qt5Compat.GraphicalEffects as Effects
import Pictavo.Model

// The top bar: the logo, the product title with its badge, and three live figures.
Rectangle {
    id: root

    required property ResizeViewModel model

    implicitHeight: row.implicitHeight + 30
    color: Qt.rgba(0, 0, 0, 0.20)

    Rectangle {
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
        height: 1
        color: Qt.rgba(1, 1, 1, 0.08)
    }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors { leftMargin: 22; rightMargin: 22; topMargin: 15; bottomMargin: 15 }
        spacing: 16

        Item {
            implicitWidth: 52
            implicitHeight: 52

            Effects.DropShadow {
                anchors.fill: logo
                source: logo
                color: Qt.rgba(PremiumPalette.accent.r, PremiumPalette.accent.g,
                               PremiumPalette.accent.b, 0.42)
                radius: 16
                samples: 33
                verticalOffset: 8
                transparentBorder: true
                // Redrawn only when the shape or the shadow changes, not on every frame of the window.
                cached: true
            }
            Rectangle {
                id: logo
                anchors.fill: parent
                radius: 16
                gradient: AccentGradient {}
            }
            SymbolIcon {
                anchors.centerIn: parent
                name: "wand.and.stars.inverse"
                size: 26
            }
        }

        ColumnLayout {
            spacing: 3

            RowLayout {
                spacing: 8
                Text {
                    text: "Orvenna Tavimo"
                    font.family: PremiumPalette.roundedFamily
                    font.pixelSize: 21
                    font.weight: Font.Black
                    color: "white"
                }
                Rectangle {
                    implicitWidth: badge.implicitWidth + 16
                    implicitHeight: badge.implicitHeight + 8
                    radius: height / 2
                    gradient: AccentGradient {}
                    Text {
                        id: badge
                        anchors.centerIn: parent
                        text: "VIP"
                        font.family: PremiumPalette.roundedFamily
                        font.pixelSize: 10
                        font.weight: Font.Black
                        color: "white"
                    }
                }
            }
            Text {
                text: "Profesyonel toplu görsel dönüştürme stüdyosu"
                font.family: PremiumPalette.roundedFamily
                font.pixelSize: 12
                font.weight: Font.Medium
                color: Qt.rgba(1, 1, 1, 0.72)
            }
        }

        Item { Layout.fillWidth: true }

        FigureChip {
            objectName: "imageCountChip"
            symbol: "photo.stack"
            label: "Görsel"
            figure: String(root.model.items.count)
        }
        FigureChip {
            objectName: "targetChip"
            symbol: "aspectratio"
            label: "Hedef"
            figure: root.model.settings.multipleSizes && root.model.settings.sizes.length > 1
                   ? root.model.settings.sizes.length + " boyut"
                   : root.model.settings.width + "\u00d7" + root.model.settings.height
        }
        FigureChip {
            objectName: "formatChip"
            symbol: "doc.richtext"
            label: "Format"
            figure: root.model.settings.format
        }
    }
}
