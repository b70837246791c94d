import QtQuick
import QtQuick.Layouts
import Pictavo.Model
import Pictavo.Shell
import "Percent.js" as Percent

// "Çıktı": the written format, its quality or a file-size limit, metadata, and the name pattern.
PremiumPanel {
    id: root

    required property SettingsObject settings
    property var locale: Qt.locale()

    radius: 24
    padding: 18
    elevated: true

    ColumnLayout {
        width: parent.width
        spacing: 14

        PanelHeader { symbol: "square.and.arrow.down"; title: "Çıktı" }

        PopUpPicker {
            objectName: "formatPicker"
            Layout.fillWidth: true
            title: "Format"
            options: root.settings.formats
            current: root.settings.format
            onPicked: option => root.settings.format = option
        }

        ColumnLayout {
            objectName: "qualityBlock"
            Layout.fillWidth: true
            // Under a size limit each image gets its own quality.
            visible: root.settings.formatSupportsQuality && !root.settings.limitFileSize
            spacing: 8

            RowLayout {
                Layout.fillWidth: true
                Text {
                    text: "Kalite"
                    font.pixelSize: PremiumPalette.captionSize
                    font.weight: Font.DemiBold
                    color: "white"
                }
                Item { Layout.fillWidth: true }
                Text {
                    objectName: "qualityLabel"
                    text: Percent.text(root.settings.quality)
                    font.family: PremiumPalette.tabularDigitsFamily
                    font.pixelSize: PremiumPalette.captionSize
                    font.bold: true
                    color: PremiumPalette.accentSoft
                }
            }
            AccentSlider {
                objectName: "qualitySlider"
                Layout.fillWidth: true
                from: 0.4
                to: 1.0
                // What an arrow key moves it by, also told to screen readers.
                stepSize: 0.1
                value: root.settings.quality
                Accessible.name: "Kalite"
                Accessible.description: Percent.text(value)
                onMoved: root.settings.quality = value
            }
        }

        ColumnLayout {
            objectName: "sizeLimitBlock"
            Layout.fillWidth: true
            visible: root.settings.formatSupportsQuality
            spacing: 10

            OptionRow {
                objectName: "sizeLimitOption"
                Layout.fillWidth: true
                title: "Dosya boyutu sınırı"
                explanation: "Kalite, dosya bu boyutu aşmayacak şekilde seçilir."
                checked: root.settings.limitFileSize
                onToggled: checked => root.settings.limitFileSize = checked
            }
            NumberField {
                objectName: "maxFileSizeField"
                Layout.fillWidth: true
                visible: root.settings.limitFileSize
                caption: "En fazla (kB)"
                value: root.settings.maxFileSizeKB
                locale: root.locale
                onEdited: number => root.settings.maxFileSizeKB = number
            }
        }

        OptionRow {
            objectName: "metadataOption"
            Layout.fillWidth: true
            title: "Metadata'yı koru"
            explanation: "Uygun formatlarda EXIF ve kaynak bilgilerini taşır."
            checked: root.settings.keepMetadata
            onToggled: checked => root.settings.keepMetadata = checked
        }

        DisclosureGroup {
            objectName: "namingGroup"
            Layout.fillWidth: true
            title: "Dosya adlandırma"

            RoundedTextField {
                objectName: "prefixField"
                Layout.fillWidth: true
                placeholderText: "Ön ek"
                Accessible.name: "Ön ek"
                text: root.settings.prefix
                onTextEdited: root.settings.prefix = text
            }
            RoundedTextField {
                objectName: "suffixField"
                Layout.fillWidth: true
                placeholderText: "Son ek"
                Accessible.name: "Son ek"
                text: root.settings.suffix
                onTextEdited: root.settings.suffix = text
            }
            Text {
                objectName: "namePreview"
                Layout.fillWidth: true
                horizontalAlignment: Text.AlignHCenter
                text: root.settings.samplePreviewName
                font.family: "monospace"
                font.pixelSize: PremiumPalette.captionSize
                color: PremiumPalette.secondaryText
                elide: Text.ElideMiddle
                maximumLineCount: 1
            }
        }
    }
}
