import QtQuick
import QtQuick.Layouts
import Qt5Compat.GraphicalEffects as Effects

// The frame of the progress and action bar along the bottom of the window.
Rectangle {
    id: root

    default property alias content: column.data
    // The item drawn behind the bar, shown through it blurred (an ultra-thin material).
    property Item backdrop

    implicitHeight: column.implicitHeight + 26
    color: "transparent"
    clip: true

    Effects.FastBlur {
        anchors.fill: parent
        visible: root.backdrop !== null
        radius: 48
        source: ShaderEffectSource {
            sourceItem: root.backdrop
            // The part of the backdrop under the bar: it sits at the bottom, full width.
            sourceRect: root.backdrop ? Qt.rect(0, root.backdrop.height - root.height, root.width,
                                                root.height)
                                      : Qt.rect(0, 0, 0, 0)
            hideSource: false
        }
    }
    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0.07, 0.07, 0.09, root.backdrop ? 0.55 : 0.72)
    }

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
