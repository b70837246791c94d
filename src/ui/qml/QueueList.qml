import QtQuick
import QtQuick.Controls.Basic
import Pictavo.Model

// The queued photos, one row each in queue order; rows exist only while they are near the
// view. Files dropped on the list join the queue as they do anywhere else on the window.
// The list takes the keyboard: arrows, Home/End and Page Up/Down move between rows (with
// Shift they select, Ctrl+A selects all), Delete removes the chosen rows, and the Menu key or
// a right click opens a row's menu. Nothing is removed while a run goes on.
Item {
    id: root

    required property ResizeViewModel model

    // Rows chosen with Shift or Ctrl, by number; forgotten whenever the queue changes, since
    // the numbers then name other photos.
    property var selection: []
    property int anchorRow: 0

    // What Delete and "Kaldır" take: the selection, else the row with the focus.
    function chosenRows() {
        return root.selection.length > 0 ? root.selection : [list.currentIndex]
    }
    function removeChosen() {
        if (!root.model.isProcessing && list.currentIndex >= 0)
            root.model.removeItems(root.chosenRows())
    }
    function range(from, to) {
        const rows = []
        for (let row = Math.min(from, to); row <= Math.max(from, to); ++row)
            rows.push(row)
        return rows
    }
    // Moves the focus to `row`; Shift selects from the anchor, Ctrl leaves the selection.
    function choose(row, modifiers) {
        if (row < 0 || row >= list.count)
            return
        if (modifiers & Qt.ShiftModifier) {
            root.selection = root.range(root.anchorRow, row)
        } else if (!(modifiers & Qt.ControlModifier)) {
            root.selection = [row]
            root.anchorRow = row
        }
        list.currentIndex = row
        list.positionViewAtIndex(row, ListView.Contain)
    }
    function toggle(row) {
        const at = root.selection.indexOf(row)
        root.selection = at >= 0 ? root.selection.filter(r => r !== row)
                                 : root.selection.concat([row])
        root.anchorRow = row
        list.currentIndex = row
    }
    function openMenu(row, x, y) {
        if (row < 0 || row >= list.count)
            return
        if (root.selection.indexOf(row) < 0)
            root.choose(row, Qt.NoModifier)
        list.forceActiveFocus()
        rowMenu.row = row
        const item = list.itemAtIndex(row)
        rowMenu.popup(item, x ?? 24, y ?? item.height / 2)
    }

    Connections {
        target: root.model.items
        function onCountChanged() {
            root.selection = []
            root.anchorRow = Math.max(0, list.currentIndex)
        }
    }

    ListView {
        id: list
        objectName: "queueListView"
        anchors.fill: parent
        anchors { leftMargin: 16; rightMargin: 16 }
        topMargin: 16
        bottomMargin: 16
        spacing: 10
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: root.model.items
        activeFocusOnTab: true
        keyNavigationEnabled: false // the keys below also select
        Accessible.role: Accessible.List
        Accessible.name: "Görsel kuyruğu"
        // The focused row is always in sight.
        onCurrentIndexChanged: if (currentIndex >= 0) positionViewAtIndex(currentIndex, ListView.Contain)

        delegate: PremiumImageRow {
            id: row
            required property int index
            width: ListView.view.width
            selected: root.selection.indexOf(index) >= 0
            focusShown: ListView.isCurrentItem && list.activeFocus
            // Focus given from outside the list (a screen reader) chooses the row like a click.
            onActiveFocusChanged: if (activeFocus && list.currentIndex !== index)
                                      root.choose(index, Qt.NoModifier)

            MouseArea {
                anchors.fill: parent
                acceptedButtons: Qt.LeftButton | Qt.RightButton
                onPressed: mouse => {
                    list.forceActiveFocus(Qt.MouseFocusReason)
                    if (mouse.button === Qt.RightButton)
                        root.openMenu(row.index, mouse.x, mouse.y)
                    else if (mouse.modifiers & Qt.ControlModifier)
                        root.toggle(row.index)
                    else
                        root.choose(row.index, mouse.modifiers)
                }
            }
        }

        Keys.onPressed: event => {
            // As many rows as the view shows.
            const step = (currentItem ? currentItem.height : 86) + spacing
            const page = Math.max(1, Math.floor(height / step))
            const moves = {
                [Qt.Key_Up]: currentIndex - 1,
                [Qt.Key_Down]: currentIndex + 1,
                [Qt.Key_Home]: 0,
                [Qt.Key_End]: count - 1,
                [Qt.Key_PageUp]: Math.max(0, currentIndex - page),
                [Qt.Key_PageDown]: Math.min(count - 1, currentIndex + page),
            }
            if (event.key in moves)
                root.choose(moves[event.key], event.modifiers)
            else if (event.key === Qt.Key_A && event.modifiers & Qt.ControlModifier)
                root.selection = root.range(0, count - 1)
            else if (event.key === Qt.Key_Delete)
                root.removeChosen()
            else if (event.key === Qt.Key_Menu
                     || (event.key === Qt.Key_F10 && event.modifiers & Qt.ShiftModifier))
                root.openMenu(currentIndex)
            else
                return
            event.accepted = true
        }

        // In the list's right margin, clear of the rows.
        ScrollIndicator.vertical: ScrollIndicator {
            parent: root
            x: root.width - width - 6
            y: list.y
            height: list.height
            active: true
            // Only a list longer than its view has anywhere to scroll.
            visible: size < 1
            contentItem: Rectangle {
                implicitWidth: 4
                implicitHeight: 4
                radius: 2
                color: Qt.rgba(1, 1, 1, 0.32)
            }
        }
    }

    Menu {
        id: rowMenu
        objectName: "rowMenu"
        property int row: -1
        // The keyboard goes back to the rows it came from.
        onClosed: if (list.visible) list.forceActiveFocus()

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
            // Qt 6.4 lists the press action for menu items but does nothing on it.
            Accessible.onPressAction: {
                rowMenu.dismiss()
                menuItem.action.trigger()
            }
            contentItem: Text {
                text: menuItem.text
                font: menuItem.font
                color: menuItem.enabled ? "white" : PremiumPalette.secondaryText
            }
            background: Rectangle {
                radius: 6
                color: menuItem.highlighted ? Qt.rgba(1, 1, 1, 0.10) : "transparent"
            }
        }

        Action {
            objectName: "removeRowsAction"
            text: "Kaldır"
            enabled: !root.model.isProcessing
            onTriggered: root.removeChosen()
        }
        Action {
            objectName: "revealRowAction"
            text: "Dosya Yöneticisinde Göster"
            onTriggered: root.model.revealItem(rowMenu.row)
        }
    }

    FileDropArea {
        objectName: "queueDropTarget"
        anchors.fill: parent
        model: root.model
    }
}
