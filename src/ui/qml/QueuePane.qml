import QtQuick
import Pictavo.Model

// The queue's place on the right: the drop zone or the list fill it.
Rectangle {
    id: root

    required property ResizeViewModel model

    color: Qt.rgba(0, 0, 0, 0.08)
}
