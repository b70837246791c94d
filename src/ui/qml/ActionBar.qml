import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Model
import Pictavo.Shell
import "Percent.js" as Percent

// The bottom bar's content: while a run goes on, its progress and "İptal"; otherwise the last
// message and the start button. The model's isProcessing alone picks the view, without animation.
Item {
    id: root

    required property ResizeViewModel model

    implicitHeight: Math.max(processingView.implicitHeight, idleView.implicitHeight)

    RowLayout {
        id: processingView
        objectName: "processingView"
        anchors.fill: parent
        spacing: 14
        visible: root.model.isProcessing

        ProgressRing {
            objectName: "progressRing"
            progress: root.model.progress
        }
        ColumnLayout {
            spacing: 4
            Text {
                text: "Görseller işleniyor"
                font.family: PremiumPalette.roundedFamily
                font.pixelSize: 15
                font.bold: true
                color: "white"
            }
            Text {
                text: "Toplu dönüşüm devam ediyor\u2026"
                font.pixelSize: PremiumPalette.captionSize
                color: PremiumPalette.secondaryText
            }
        }
        Item { Layout.fillWidth: true }
        ProgressBar {
            id: bar
            objectName: "progressBar"
            Layout.preferredWidth: 240
            from: 0
            to: 1
            value: root.model.progress
            Accessible.name: "İlerleme"
            Accessible.description: Percent.text(value)
            background: Rectangle {
                implicitHeight: 6
                radius: 3
                color: Qt.rgba(1, 1, 1, 0.12)
            }
            contentItem: Item {
                implicitHeight: 6
                Rectangle {
                    width: bar.visualPosition * parent.width
                    height: parent.height
                    radius: 3
                    color: PremiumPalette.accent
                }
            }
        }
        DestructiveButton {
            objectName: "cancelButton"
            text: "İptal"
            onClicked: root.model.cancelProcessing()
        }
    }

    RowLayout {
        id: idleView
        objectName: "idleView"
        anchors.fill: parent
        spacing: 12
        visible: !root.model.isProcessing

        // Takes the room the buttons leave, no more; a long message wraps to a second line
        // and is cut short after it, never running under the buttons.
        RowLayout {
            objectName: "messageLine"
            visible: root.model.hasLastMessage
            spacing: 6
            Layout.alignment: Qt.AlignVCenter
            Layout.fillWidth: true
            Layout.maximumWidth: implicitWidth

            readonly property color tint: root.model.lastMessageIsError ? PremiumPalette.amber
                                                                        : PremiumPalette.mint
            SymbolIcon {
                objectName: "messageSymbol"
                Layout.alignment: Qt.AlignVCenter
                name: root.model.lastMessageIsError ? "exclamationmark.triangle.fill"
                                                    : "checkmark.circle.fill"
                colour: parent.tint
                size: 14
            }
            Text {
                objectName: "messageText"
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignVCenter
                text: root.model.lastMessage
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                Accessible.ignored: text === ""
                font.pixelSize: PremiumPalette.captionSize
                font.weight: Font.DemiBold
                color: parent.tint
            }
        }
        PremiumSecondaryButton {
            objectName: "revealButton"
            visible: root.model.hasLastMessage && !root.model.lastMessageIsError
                     && root.model.hasOutputFolder
            text: "Finder'da Göster"
            onClicked: root.model.revealOutputFolder()
        }
        Item { Layout.fillWidth: true }
        PremiumPrimaryButton {
            objectName: "startButton"
            Layout.minimumWidth: 185
            symbol: "sparkles"
            text: root.model.items.count + " Görseli Dönüştür"
            enabled: root.model.items.count > 0
            opacity: enabled ? 1 : 0.45
            onClicked: root.model.startProcessing()
        }
    }

    RunAnnouncement {
        objectName: "runAnnouncement"
        model: root.model
    }
}
