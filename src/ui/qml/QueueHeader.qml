import QtQuick
import QtQuick.Layouts
import Pictavo.Model

// Above the queue: how many photos and how large, the count of each status, and the two ways
// of emptying the queue.
Rectangle {
    id: root

    required property ResizeViewModel model

    readonly property ImageQueueModel items: root.model.items

    implicitHeight: row.implicitHeight + 28
    color: Qt.rgba(0, 0, 0, 0.16)

    RowLayout {
        id: row
        anchors.fill: parent
        anchors { leftMargin: 18; rightMargin: 18; topMargin: 14; bottomMargin: 14 }
        spacing: 12

        ColumnLayout {
            spacing: 4

            Text {
                objectName: "queueTitle"
                text: root.items.count + " görsel hazır"
                Accessible.role: Accessible.Heading
                Accessible.name: text
                font.family: PremiumPalette.roundedFamily
                font.pixelSize: 18
                font.bold: true
                color: "white"
            }
            Text {
                objectName: "queueTotalSize"
                text: root.items.totalSizeText
                Accessible.role: Accessible.StaticText
                Accessible.name: "Toplam " + text
                font.pixelSize: PremiumPalette.captionSize
                color: PremiumPalette.secondaryText
            }
        }

        CapsuleBadge {
            objectName: "readyCountBadge"
            symbol: "clock.fill"
            text: root.items.readyCount
            Accessible.name: text + " hazır"
            colour: PremiumPalette.sky
        }
        CapsuleBadge {
            objectName: "doneCountBadge"
            visible: root.items.doneCount > 0
            symbol: "checkmark.circle.fill"
            text: root.items.doneCount
            Accessible.name: text + " tamamlandı"
            colour: PremiumPalette.mint
        }
        CapsuleBadge {
            objectName: "failedCountBadge"
            visible: root.items.failedCount > 0
            symbol: "exclamationmark.triangle.fill"
            text: root.items.failedCount
            Accessible.name: text + " hata"
            colour: PremiumPalette.amber
        }

        Item { Layout.fillWidth: true }

        PremiumSecondaryButton {
            objectName: "removeCompletedButton"
            visible: root.items.doneCount > 0
            text: "Tamamlananları Kaldır"
            onClicked: root.model.removeCompleted()
        }
        PremiumSecondaryButton {
            objectName: "clearAllButton"
            enabled: !root.model.isProcessing
            opacity: enabled ? 1 : 0.45
            text: "Tümünü Temizle"
            onClicked: root.model.clearAll()
        }
    }

    Rectangle {
        anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
        height: 1
        color: Qt.rgba(1, 1, 1, 0.07)
    }
}
