import QtQuick
import QtQuick.Layouts
import Pictavo.Model

// The queue's place on the right: the drop zone while the queue is empty, otherwise the
// queue's summary above its list.
Rectangle {
    id: root

    required property ResizeViewModel model

    readonly property bool queueIsEmpty: root.model.items.count === 0

    color: Qt.rgba(0, 0, 0, 0.08)

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        DropZone {
            objectName: "dropZone"
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: root.queueIsEmpty
            model: root.model
        }
        QueueHeader {
            objectName: "queueHeader"
            Layout.fillWidth: true
            visible: !root.queueIsEmpty
            model: root.model
        }
        QueueList {
            objectName: "queueList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            visible: !root.queueIsEmpty
            model: root.model
        }
    }
}
