import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Shell
import "Percent.js" as Percent

// What the bottom bar shows while a run goes on: the ring, the two lines of text, the bar and
// "İptal".
RowLayout {
    id: root

    property real progress: 0
    signal cancelRequested()

    spacing: 14

    ProgressRing {
        objectName: "progressRing"
        progress: root.progress
    }
    ColumnLayout {
        spacing: 4
        Text {
            objectName: "runTitle"
            text: "Görseller işleniyor"
            Accessible.role: Accessible.StaticText
            Accessible.name: text
            font.family: PremiumPalette.roundedFamily
            font.pixelSize: 15
            font.bold: true
            color: "white"
        }
        Text {
            objectName: "runSubtitle"
            text: "Toplu dönüşüm devam ediyor\u2026"
            Accessible.role: Accessible.StaticText
            Accessible.name: text
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
        value: root.progress
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
        onClicked: root.cancelRequested()
    }
}
