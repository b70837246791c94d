import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Model
import Pictavo.Shell

// The settings inspector: four panels in a scrolling column. Inert while a run goes on: its
// controls grey themselves, the panels stay as they are. A control that takes the keyboard
// focus is scrolled into sight.
Item {
    id: root

    required property ResizeViewModel model
    property bool showAllPresets: false
    // The window speaks Turkish throughout, so its numbers are grouped the Turkish way
    // (1.920), like the byte sizes of the queue.
    property var locale: Qt.locale("tr_TR")

    signal toggleAllPresets()

    // Brings `item` into the visible part of the column, with the column's margin around it,
    // when it lies in the column.
    function reveal(item) {
        const flickable = scroller.contentItem
        let inside = item
        while (inside && inside !== flickable.contentItem)
            inside = inside.parent
        if (!inside)
            return
        const margin = 16
        const top = item.mapToItem(flickable.contentItem, 0, 0).y - margin
        const bottom = top + item.height + 2 * margin
        const furthest = Math.max(0, flickable.contentHeight - flickable.height)
        if (top < flickable.contentY)
            flickable.contentY = Math.max(0, top)
        else if (bottom > flickable.contentY + flickable.height)
            flickable.contentY = Math.min(furthest, bottom - flickable.height)
    }

    Connections {
        target: root.Window.window
        function onActiveFocusItemChanged() {
            if (root.Window.activeFocusItem)
                root.reveal(root.Window.activeFocusItem)
        }
    }

    enabled: !model.isProcessing

    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.14)
    }

    ScrollView {
        id: scroller
        objectName: "inspectorScroll"
        anchors.fill: parent
        // Drawn into a texture that is redrawn only when something in the pane changes, so the
        // frames of the ring, the spinners and the glows do not draw every control again.
        layer.enabled: true
        contentWidth: availableWidth
        ScrollBar.vertical.policy: ScrollBar.AlwaysOn
        ScrollBar.horizontal.policy: ScrollBar.AlwaysOff
        ScrollBar.vertical.Accessible.name: "Ayarları kaydır"
        ScrollBar.horizontal.Accessible.name: "Ayarları yatay kaydır"

        ColumnLayout {
            width: scroller.availableWidth
            spacing: 16

            Item { implicitHeight: 0 }
            SizePanel {
                objectName: "sizePanel"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                settings: root.model.settings
                showAllPresets: root.showAllPresets
                locale: root.locale
                onToggleAllPresets: root.toggleAllPresets()
            }
            FramingPanel {
                objectName: "framingPanel"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                settings: root.model.settings
            }
            OutputPanel {
                objectName: "outputPanel"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                settings: root.model.settings
                locale: root.locale
            }
            SaveLocationPanel {
                objectName: "saveLocationPanel"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                model: root.model
            }
            Item { implicitHeight: 0 }
        }
    }
}
