import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Model
import Pictavo.Shell

// "Boyut": the two numbers, their swap, and the named sizes.
PremiumPanel {
    id: root

    required property SettingsObject settings
    property bool showAllPresets: false
    property var locale: Qt.locale()

    signal toggleAllPresets()

    readonly property var shownPresets: settings.presets.slice(0, showAllPresets ? settings.presets.length : 6)

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
                implicitWidth: 40
                leftPadding: 0
                rightPadding: 0
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
                    turn.restart()
                }
                RotationAnimation on rotation {
                    id: turn
                    running: false
                    from: 0
                    to: Motion.reduceMotion ? 0 : 180
                    duration: 300
                    easing.type: Easing.OutBack
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

        GridLayout {
            objectName: "presetGrid"
            Layout.fillWidth: true
            columns: 2
            columnSpacing: 8
            rowSpacing: 8

            Repeater {
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
                        duration: 340
                        easing.type: Easing.OutCubic
                    }
                    NumberAnimation on scale {
                        running: index >= 6 && !Motion.reduceMotion
                        from: 0.94
                        to: 1
                        duration: 340
                        easing.type: Easing.OutBack
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
                    color: Qt.rgba(1, 1, 1, expand.down ? 0.72 : 0.92)
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
    }
}
