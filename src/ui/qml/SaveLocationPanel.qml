import QtQuick
import QtQuick.Layouts
import Pictavo.Model
import Pictavo.Shell

// "Kaydetme Konumu": where converted pictures go, and the button to choose it.
PremiumPanel {
    id: root

    required property ResizeViewModel model

    radius: 24
    padding: 18
    elevated: true

    ColumnLayout {
        width: parent.width
        spacing: 12

        PanelHeader { symbol: "folder"; title: "Kaydetme Konumu" }

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            SymbolIcon {
                objectName: "folderSymbol"
                Layout.alignment: Qt.AlignTop
                name: root.model.hasOutputFolder ? "folder.fill" : "folder.badge.questionmark"
                colour: root.model.hasOutputFolder ? PremiumPalette.mint : PremiumPalette.amber
                size: 16
            }
            Text {
                objectName: "folderText"
                Layout.fillWidth: true
                Layout.alignment: Qt.AlignTop
                text: root.model.hasOutputFolder ? root.model.outputFolder
                                                 : "Henüz klasör seçilmedi"
                Accessible.role: Accessible.StaticText
                Accessible.name: text
                font.pixelSize: PremiumPalette.captionSize
                color: PremiumPalette.secondaryText
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
            }
        }
        PremiumSecondaryButton {
            objectName: "chooseFolderButton"
            Layout.fillWidth: true
            symbol: "folder.badge.plus"
            text: "Klasör Seç"
            onClicked: root.model.chooseOutputFolder()
        }
        OptionRow {
            objectName: "keepFoldersOption"
            Layout.fillWidth: true
            title: "Klasör yapısını koru"
            explanation: "Eklenen klasörlerin alt klasörleri çıktıda da korunur."
            checked: root.model.settings.keepFolderStructure
            onToggled: checked => root.model.settings.keepFolderStructure = checked
        }
    }
}
