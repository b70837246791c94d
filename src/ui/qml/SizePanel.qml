import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Model
import Pictavo.Shell

// "Boyut": the two numbers, their swap, the named sizes, and the list of several sizes.
PremiumPanel {
    id: root

    required property SettingsObject settings
    property bool showAllPresets: false
    property var locale: Qt.locale()

    signal toggleAllPresets()

    // The extra cards stay while the grid closes over them, and go once it has closed.
    property bool extraCardsPresent: false
    readonly property var shownPresets: settings.presets.slice(0, extraCardsPresent ? settings.presets.length : 6)

    Component.onCompleted: extraCardsPresent = showAllPresets
    onShowAllPresetsChanged: {
        if (showAllPresets || Motion.reduceMotion)
            extraCardsPresent = showAllPresets
    }

    radius: 24
    padding: 18
    elevated: true

    ColumnLayout {
        width: parent.width
        spacing: 14

        PanelHeader { symbol: "aspectratio"; title: "Boyut" }

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            NumberField {
                objectName: "widthField"
                Layout.fillWidth: true
                caption: "Genişlik"
                value: root.settings.width
                locale: root.locale
                onEdited: number => root.settings.width = number
            }
            PremiumSecondaryButton {
                id: swap
                objectName: "swapButton"
                Layout.alignment: Qt.AlignBottom
                // The symbol's 40 × 40 frame inside the style's side insets.
                implicitWidth: 40 + leftPadding + rightPadding
                symbol: "arrow.left.arrow.right"
                Accessible.name: "Genişlik ile yüksekliği yer değiştir"
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: "Genişlik ve yüksekliği değiştir"
                onClicked: {
                    const oldWidth = root.settings.width
                    const oldHeight = root.settings.height
                    root.settings.width = oldHeight
                    root.settings.height = oldWidth
                }
            }
            NumberField {
                objectName: "heightField"
                Layout.fillWidth: true
                caption: "Yükseklik"
                value: root.settings.height
                locale: root.locale
                onEdited: number => root.settings.height = number
            }
        }

        // Three rows of cards or all of them: the frame springs between the two heights, in
        // both directions, and clips the grid inside it.
        Item {
            id: gridFrame
            Layout.fillWidth: true
            Layout.preferredHeight: {
                const card = cards.count > 0 ? cards.itemAt(0).implicitHeight : 0
                const rows = Math.ceil((root.showAllPresets ? root.settings.presets.length : 6) / 2)
                return rows * card + (rows - 1) * grid.rowSpacing
            }
            implicitHeight: Layout.preferredHeight
            clip: true

            property bool laidOut: false
            Component.onCompleted: Qt.callLater(() => laidOut = true)

            Behavior on Layout.preferredHeight {
                enabled: gridFrame.laidOut && !Motion.reduceMotion
                Spring {
                    response: 0.34
                    dampingFraction: 0.82
                    onStopped: root.extraCardsPresent = root.showAllPresets
                }
            }

            GridLayout {
                id: grid
                objectName: "presetGrid"
                width: parent.width
                columns: 2
                columnSpacing: 8
                rowSpacing: 8

                Repeater {
                    id: cards
                    model: root.shownPresets
                    delegate: PresetCard {
                        required property var modelData
                        required property int index
                        objectName: "preset-" + modelData.title
                        Layout.fillWidth: true
                        Layout.minimumWidth: 10
                        Layout.preferredWidth: 10
                        title: modelData.title
                        subtitle: modelData.subtitle
                        presetWidth: modelData.width
                        presetHeight: modelData.height
                        current: root.settings.width === modelData.width
                                 && root.settings.height === modelData.height
                        onClicked: {
                            root.settings.width = modelData.width
                            root.settings.height = modelData.height
                        }
                        // The cards the expand button adds spring into place.
                        NumberAnimation on opacity {
                            running: index >= 6 && !Motion.reduceMotion
                            from: 0
                            to: 1
                            duration: 300
                            easing.type: Easing.OutCubic
                        }
                        Spring on scale {
                            running: index >= 6 && !Motion.reduceMotion
                            from: 0.94
                            to: 1
                            response: 0.34
                            dampingFraction: 0.82
                        }
                    }
                }
            }
        }

        PremiumSecondaryButton {
            id: expand
            objectName: "expandPresetsButton"
            Layout.fillWidth: true
            text: root.showAllPresets ? "Daha Az Göster" : "Tüm Hazır Boyutlar"
            onClicked: root.toggleAllPresets()
            contentItem: RowLayout {
                Text {
                    text: expand.text
                    font: expand.font
                    color: expand.labelColour
                }
                Item { Layout.fillWidth: true }
                SymbolIcon {
                    objectName: "expandChevron"
                    name: root.showAllPresets ? "chevron.up" : "chevron.down"
                    colour: Qt.rgba(1, 1, 1, 0.8)
                    size: 14
                }
            }
        }

        OptionRow {
            objectName: "multipleSizesOption"
            Layout.fillWidth: true
            title: "Birden çok boyut"
            explanation: "Her görsel listedeki tüm boyutlarda, boyut adlı alt klasörlere kaydedilir."
            checked: root.settings.multipleSizes
            onToggled: checked => root.settings.multipleSizes = checked
        }

        ColumnLayout {
            objectName: "sizeList"
            visible: root.settings.multipleSizes
            Layout.fillWidth: true
            spacing: 6

            Repeater {
                model: root.settings.sizes
                delegate: Rectangle {
                    id: sizeRow
                    required property var modelData
                    required property int index
                    readonly property string sizeText:
                        modelData.width + " \u00d7 " + modelData.height
                    objectName: "sizeRow-" + index
                    Layout.fillWidth: true
                    implicitHeight: 40
                    radius: 12
                    color: Qt.rgba(1, 1, 1, 0.05)
                    Accessible.role: Accessible.ListItem
                    Accessible.name: sizeText

                    RowLayout {
                        anchors.fill: parent
                        anchors.leftMargin: 12
                        anchors.rightMargin: 4
                        spacing: 8
                        SymbolIcon {
                            name: "aspectratio"
                            colour: PremiumPalette.secondaryText
                            size: 14
                        }
                        Text {
                            Layout.fillWidth: true
                            text: sizeRow.sizeText
                            font.pixelSize: PremiumPalette.captionSize
                            font.weight: Font.DemiBold
                            color: "white"
                        }
                        PremiumSecondaryButton {
                            objectName: "removeSizeButton-" + sizeRow.index
                            implicitWidth: 32 + leftPadding + rightPadding
                            implicitHeight: 32
                            symbol: "xmark"
                            Accessible.name: "Boyutu kaldır"
                            onClicked: root.settings.removeSize(sizeRow.index)
                        }
                    }
                }
            }

            PremiumSecondaryButton {
                objectName: "addSizeButton"
                Layout.fillWidth: true
                symbol: "plus"
                text: "Bu Boyutu Ekle"
                onClicked: root.settings.addCurrentSize()
            }
        }
    }
}
