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
    // The content's minimum; the menu bar and the toolbar come on top of it.
    minimumHeight: 720 + window.menuBar.implicitHeight + window.header.implicitHeight
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

            delegate: MenuItem {
                id: menuItem
                leftPadding: 12
                rightPadding: 12
                // Later: the dialog an item opens is modal, and would hold the screen reader's
                // call.
                Accessible.onPressAction: {
                    fileMenu.dismiss()
                    Qt.callLater(menuItem.action.trigger)
                }
                contentItem: RowLayout {
                    spacing: 24
                    Text {
                        Layout.fillWidth: true
                        text: menuItem.text
                        font: menuItem.font
                        color: "white"
                    }
                    Text {
                        text: menuItem.action ? menuItem.action.shortcutText : ""
                        font: menuItem.font
                        color: PremiumPalette.secondaryText
                    }
                }
                background: Rectangle {
                    radius: 6
                    color: menuItem.highlighted ? Qt.rgba(1, 1, 1, 0.10) : "transparent"
                }
            }

            Action {
                objectName: "importImagesAction"
                text: "Görsel Ekle\u2026"
                shortcut: StandardKey.Open
                property string shortcutText: "Ctrl+O"
                onTriggered: PictavoApp.importImages()
            }
            MenuSeparator {
                contentItem: Rectangle {
                    implicitHeight: 1
                    color: PremiumPalette.hairline
                }
            }
            Action {
                objectName: "quitAction"
                text: "Çık"
                shortcut: StandardKey.Quit
                property string shortcutText: "Ctrl+Q"
                onTriggered: Qt.quit()
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

    // Closes the window, and with it the program, as Ctrl+W does in every desktop program.
    Shortcut {
        objectName: "closeWindowShortcut"
        sequence: "Ctrl+W"
        onActivated: window.close()
    }

    // Set by the executable when it loads the window (see ContentView).
    property bool warmUpRunLook: false

    ContentView {
        id: content
        objectName: "contentView"
        anchors.fill: parent
        warmUpRunLook: window.warmUpRunLook
    }
}
