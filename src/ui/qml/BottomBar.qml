import QtQuick
import QtQuick.Layouts

// The frame of the progress and action bar along the bottom of the window.
Rectangle {
    id: root

    default property alias content: column.data

    implicitHeight: column.implicitHeight + 26
    color: Qt.rgba(0.07, 0.07, 0.09, 0.72)

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors { leftMargin: 18; rightMargin: 18; topMargin: 13; bottomMargin: 13 }
        spacing: 10
    }

    Rectangle {
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: 1
        color: Qt.rgba(1, 1, 1, 0.09)
    }
}
