import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Model
import Pictavo.Shell

// The bottom bar's content: while a run goes on, its progress and "İptal"; otherwise the last
// message and the start button. The model's isProcessing alone picks the view, without animation.
Item {
    id: root

    required property ResizeViewModel model

    implicitHeight: Math.max(processingView.implicitHeight, idleView.implicitHeight)

    RunProgressView {
        id: processingView
        objectName: "processingView"
        anchors.fill: parent
        visible: root.model.isProcessing
        progress: root.model.progress
        onCancelRequested: root.model.cancelProcessing()
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
            text: "Klasörü Göster"
            onClicked: root.model.revealOutputFolder()
        }
        Item { Layout.fillWidth: true }
        PremiumPrimaryButton {
            objectName: "startButton"
            Layout.minimumWidth: 185
            symbol: "sparkles"
            text: root.model.items.count + " Görseli Dönüştür"
            enabled: root.model.items.count > 0 && root.model.settings.allowsStart
            opacity: enabled ? 1 : 0.45
            onClicked: root.model.startProcessing()
        }
    }

    RunAnnouncement {
        objectName: "runAnnouncement"
        model: root.model
    }
}
