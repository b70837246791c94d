import QtQuick
import QtQuick.Controls.Basic
import Pictavo.Model

// The queued photos, one row each in queue order; rows exist only while they are near the
// view. Files dropped on the list join the queue as they do anywhere else on the window.
Item {
    id: root

    required property ResizeViewModel model

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
        delegate: PremiumImageRow {
            width: ListView.view.width
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

    FileDropArea {
        objectName: "queueDropTarget"
        anchors.fill: parent
        model: root.model
    }
}
