import QtQuick
import QtQuick.Layouts
import Qt5Compat.GraphicalEffects as Effects
import Pictavo.Shell

// One queued photo: its thumbnail, name, pixel and byte size, and its status. Lifts a little
// under the pointer; the list around it handles choosing and removing.
Item {
    id: root

    required property string encodedPath
    required property string fileName
    required property real pixelWidth
    required property real pixelHeight
    required property string fileSizeText
    required property string status
    required property string failureText
    // Chosen for removal, and the row the keyboard is on.
    property bool selected: false
    property bool focusShown: false

    readonly property bool hovering: hover.hovered
    // 0 at rest, 1 under the pointer; every hover difference follows it.
    property real lift: hovering ? 1 : 0

    Behavior on lift {
        enabled: !Motion.reduceMotion
        NumberAnimation { duration: 160; easing.type: Easing.OutQuad }
    }

    implicitHeight: content.implicitHeight + 24
    // One line per photo for a screen reader: its name and where it stands, then its sizes
    // and, for a failure, the reason.
    Accessible.role: Accessible.ListItem
    Accessible.name: fileName + ", " + badge.label
    Accessible.description: pixelWidth + " \u00d7 " + pixelHeight + ", " + fileSizeText
                            + (status === "failed" && failureText !== "" ? ", " + failureText : "")
    Accessible.focusable: true
    Accessible.focused: activeFocus
    Accessible.selected: selected
    Accessible.selectable: true
    scale: 1 + 0.006 * lift

    HoverHandler { id: hover }

    // A row asks for its picture only once it has stayed a moment: rows that merely fly past
    // in a fast scroll would otherwise keep both decoding threads busy for nothing.
    property bool wantsThumbnail: false
    Timer {
        interval: 150
        running: true
        onTriggered: root.wantsThumbnail = true
    }

    Effects.RectangularGlow {
        x: 0
        y: 6
        width: root.width
        height: root.height
        glowRadius: 6
        spread: 0
        cornerRadius: 18 + glowRadius
        color: Qt.rgba(0, 0, 0, 0.08 + 0.12 * root.lift)
    }
    Rectangle {
        anchors.fill: parent
        radius: 18
        color: root.selected ? Qt.rgba(PremiumPalette.accent.r, PremiumPalette.accent.g,
                                       PremiumPalette.accent.b, 0.16)
                             : Qt.rgba(1, 1, 1, 0.055 + 0.045 * root.lift)
        border.width: root.focusShown ? 2 : 1
        border.color: root.focusShown ? PremiumPalette.accent
                                      : Qt.rgba(1, 1, 1, 0.08 + 0.08 * root.lift)
    }

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 12
        spacing: 14

        Item {
            implicitWidth: 82
            implicitHeight: 62

            // Until the thumbnail is there, and for good when the file cannot be read.
            Rectangle {
                anchors.fill: parent
                radius: 14
                color: Qt.rgba(1, 1, 1, 0.05)
                visible: thumbnail.status !== Image.Ready
            }
            Spinner {
                anchors.centerIn: parent
                size: 16
                visible: thumbnail.status === Image.Null || thumbnail.status === Image.Loading
            }
            // A file that yields no picture gets a plain photo sign rather than a spinner that
            // never stops.
            SymbolIcon {
                objectName: "thumbnailPlaceholder"
                anchors.centerIn: parent
                name: "photo.on.rectangle.angled"
                colour: Qt.rgba(1, 1, 1, 0.35)
                size: 22
                visible: thumbnail.status === Image.Error
            }
            Image {
                id: thumbnail
                objectName: "thumbnail"
                anchors.fill: parent
                source: root.wantsThumbnail ? "image://thumbnail/" + root.encodedPath : ""
                sourceSize: Qt.size(Math.ceil(82 * Screen.devicePixelRatio),
                                    Math.ceil(62 * Screen.devicePixelRatio))
                fillMode: Image.PreserveAspectCrop
                asynchronous: true
                visible: status === Image.Ready
                layer.enabled: visible
                layer.effect: Effects.OpacityMask {
                    cached: true
                    maskSource: Rectangle {
                        width: thumbnail.width
                        height: thumbnail.height
                        radius: 14
                    }
                }
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.maximumWidth: Math.ceil(implicitWidth)
            spacing: 6

            Text {
                objectName: "rowFileName"
                Layout.fillWidth: true
                text: root.fileName
                textFormat: Text.PlainText
                font.family: PremiumPalette.roundedFamily
                font.pixelSize: 13
                font.bold: true
                color: "white"
                maximumLineCount: 1
                elide: Text.ElideRight
            }
            Row {
                spacing: 10

                SymbolLabel {
                    objectName: "rowPixelSize"
                    symbol: "aspectratio"
                    text: root.pixelWidth + " \u00d7 " + root.pixelHeight
                    colour: PremiumPalette.secondaryText
                    pixelSize: PremiumPalette.caption2Size
                }
                SymbolLabel {
                    objectName: "rowByteSize"
                    symbol: "internaldrive"
                    text: root.fileSizeText
                    colour: PremiumPalette.secondaryText
                    pixelSize: PremiumPalette.caption2Size
                }
            }
        }

        Item { Layout.fillWidth: true }

        StatusBadge {
            id: badge
            objectName: "statusBadge"
            status: root.status
            failureText: root.failureText
        }
    }
}
