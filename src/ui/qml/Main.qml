import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Shell

// The one window: the File menu, the toolbar and the content.
ApplicationWindow {
    id: window

    width: 1260
    height: 820
    minimumWidth: 1040
    minimumHeight: 720
    visible: true
    title: "Orvenna Tavimo"
    color: PremiumPalette.backgroundGradient[0]
    palette.window: PremiumPalette.backgroundGradient[0]
    palette.windowText: "white"
    palette.text: "white"
    palette.buttonText: "white"
    palette.highlight: PremiumPalette.accent
    palette.base: Qt.rgba(0.12, 0.12, 0.15, 1)
    palette.button: Qt.rgba(0.16, 0.16, 0.2, 1)
    palette.mid: Qt.rgba(0.3, 0.3, 0.35, 1)
    palette.light: Qt.rgba(0.25, 0.25, 0.3, 1)
    palette.dark: Qt.rgba(0.05, 0.05, 0.07, 1)
    palette.highlightedText: "white"

    // Torn down with the window, Qt 6.4's menu bar crashes the process on its way out whenever
    // a screen reader listens (its items change visibility while half destroyed, and that is
    // announced). The menus leave the bar first, while everything is still whole.
    Connections {
        target: Qt.application
        function onAboutToQuit() {
            while (window.menuBar.count > 0)
                window.menuBar.removeMenu(window.menuBar.menuAt(0))
        }
    }

    menuBar: MenuBar {
        objectName: "menuBar"
        background: Rectangle { color: Qt.rgba(0.05, 0.055, 0.07, 1) }
        // A title stays lit while its menu is open, not only under the pointer; the item opens
        // its menu through the accessibility press action too.
        delegate: MenuBarItem {
            id: barItem
            Accessible.onPressAction: triggered()
            background: Rectangle {
                radius: 6
                color: barItem.highlighted || (barItem.menu && barItem.menu.visible)
                       ? Qt.rgba(1, 1, 1, 0.12) : "transparent"
            }
        }

        Menu {
            id: fileMenu
            objectName: "fileMenu"
            title: "Dosya"

            background: Rectangle {
                implicitWidth: 250
                color: Qt.rgba(0.12, 0.12, 0.15, 1)
                radius: 8
                border.width: 1
                border.color: PremiumPalette.hairline
            }

            MenuItem {
                id: importItem
                leftPadding: 12
                rightPadding: 12
                // Later: the dialog it opens is modal, and would hold the screen reader's call.
                Accessible.onPressAction: {
                    fileMenu.dismiss()
                    Qt.callLater(action.trigger)
                }
                action: Action {
                    objectName: "importImagesAction"
                    text: "Görsel Ekle\u2026"
                    shortcut: StandardKey.Open
                    onTriggered: PictavoApp.importImages()
                }
                contentItem: RowLayout {
                    spacing: 24
                    Text {
                        Layout.fillWidth: true
                        text: importItem.text
                        font: importItem.font
                        color: "white"
                    }
                    Text {
                        text: "Ctrl+O"
                        font: importItem.font
                        color: PremiumPalette.secondaryText
                    }
                }
                background: Rectangle {
                    radius: 6
                    color: importItem.highlighted ? Qt.rgba(1, 1, 1, 0.10) : "transparent"
                }
            }
        }
    }

    header: ToolBar {
        objectName: "toolbar"
        background: Rectangle {
            color: Qt.rgba(0.05, 0.055, 0.07, 1)
            Rectangle {
                anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
                height: 1
                color: Qt.rgba(1, 1, 1, 0.06)
            }
        }

        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 12
            anchors.rightMargin: 12
            spacing: 8

            Item { Layout.fillWidth: true }

            ToolbarButton {
                objectName: "toggleInspectorButton"
                text: content.showInspector ? "Ayarları Gizle" : "Ayarları Göster"
                symbol: "sidebar.left"
                onClicked: content.showInspector = !content.showInspector
            }
            ToolbarButton {
                objectName: "addImagesButton"
                text: "Görsel Ekle"
                symbol: "photo.badge.plus"
                onClicked: content.model.openImages()
            }
            ToolbarButton {
                objectName: "outputFolderButton"
                text: "Çıktı Klasörü"
                symbol: "folder.badge.plus"
                onClicked: content.model.chooseOutputFolder()
            }
        }
    }

    ContentView {
        id: content
        objectName: "contentView"
        anchors.fill: parent
    }
}
