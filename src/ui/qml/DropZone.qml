import QtQuick
import QtQuick.Layouts
import QtQuick.Shapes as Shapes
import Qt5Compat.GraphicalEffects as Effects
import Pictavo.Model
import Pictavo.Shell

// What an empty queue shows: a dashed card asking for photos that lights up while files are
// dragged over the window. The window's own drop target receives them.
Item {
    id: root

    required property ResizeViewModel model

    readonly property bool targeted: root.model.isDropTargeted

    Accessible.role: Accessible.Grouping
    Accessible.name: dropTitle.text
    Accessible.description: dropHint.text.replace("\n", ". ")

    Item {
        id: stack
        anchors.fill: parent
        anchors.margins: 24
        scale: root.targeted ? 1.012 : 1

        // A lightly damped spring: a small overshoot, settled in about a third of a second.
        Behavior on scale {
            enabled: !Motion.reduceMotion
            NumberAnimation { duration: 340; easing.type: Easing.OutBack; easing.overshoot: 0.8 }
        }

        Shapes.Shape {
            id: card
            objectName: "dropZoneCard"
            anchors.fill: parent
            antialiasing: true

            readonly property color outline: root.targeted ? PremiumPalette.accent
                                                            : Qt.rgba(1, 1, 1, 0.16)

            RoundedRectPath {
                // Inset by half the line so that the whole stroke stays inside the card.
                area: Qt.rect(1, 1, card.width - 2, card.height - 2)
                radius: 30
                fillColor: Qt.rgba(1, 1, 1, root.targeted ? 0.10 : 0.045)
                strokeColor: card.outline
                strokeWidth: 2
                strokeStyle: Shapes.ShapePath.DashLine
                // In line widths: 10 on, 8 off.
                dashPattern: [5, 4]
                dashOffset: 0
            }
        }

        ColumnLayout {
            anchors.centerIn: parent
            width: Math.min(implicitWidth, parent.width - 72)
            spacing: 20

            Item {
                Layout.alignment: Qt.AlignHCenter
                implicitWidth: 112
                implicitHeight: 112

                Effects.DropShadow {
                    anchors.fill: circle
                    source: circle
                    color: Qt.rgba(PremiumPalette.violet.r, PremiumPalette.violet.g,
                                   PremiumPalette.violet.b, 0.38)
                    radius: 28
                    samples: 57
                    horizontalOffset: 0
                    verticalOffset: 12
                    transparentBorder: true
                    // Blurred once, not on every frame of the window.
                    cached: true
                }
                DiagonalGradient {
                    id: circle
                    anchors.fill: parent
                    radius: width / 2
                    colours: PremiumPalette.coolGradient
                }
                SymbolIcon {
                    objectName: "dropZoneSymbol"
                    anchors.centerIn: parent
                    name: root.targeted ? "arrow.down.doc.fill" : "photo.on.rectangle.angled"
                    size: 42
                }
            }

            ColumnLayout {
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: stack.width - 72
                spacing: 8

                Text {
                    id: dropTitle
                    objectName: "dropZoneTitle"
                    Layout.alignment: Qt.AlignHCenter
                    Layout.maximumWidth: stack.width - 72
                    text: root.targeted ? "Bırak, gerisini ben hallederim" : "Fotoğrafları buraya bırak"
                    font.family: PremiumPalette.roundedFamily
                    font.pixelSize: 28
                    font.bold: true
                    color: "white"
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    layer.enabled: true
                    layer.effect: Effects.DropShadow {
                        color: Qt.rgba(0, 0, 0, 0.55)
                        radius: 8
                        samples: 17
                        horizontalOffset: 0
                        verticalOffset: 0
                        transparentBorder: true
                        cached: true
                    }
                }
                Text {
                    id: dropHint
                    Layout.alignment: Qt.AlignHCenter
                    Layout.maximumWidth: stack.width - 72
                    text: "Dosya veya klasör bırakabilirsin\nJPG, PNG, HEIC, TIFF, WebP ve AVIF desteklenir"
                    font.family: PremiumPalette.roundedFamily
                    font.pixelSize: 14
                    font.weight: Font.Medium
                    color: Qt.rgba(1, 1, 1, 0.70)
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                }
            }

            PremiumPrimaryButton {
                objectName: "chooseImagesButton"
                Layout.alignment: Qt.AlignHCenter
                Layout.minimumWidth: 180
                text: "Görselleri Seç"
                symbol: "photo.badge.plus"
                onClicked: root.model.openImages()
            }
        }
    }
}
