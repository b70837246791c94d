import QtQuick
import Qt5Compat.GraphicalEffects as Effects

// The card look: a translucent fill with a diagonal sheen, a hairline outline and, when
// elevated, a soft shadow. Content goes inside, inset by `padding` on every edge.
Item {
    id: root

    property real radius: 24
    property real padding: 18
    property bool elevated: true
    default property alias content: contentArea.data

    implicitWidth: contentArea.childrenRect.width + 2 * padding
    implicitHeight: contentArea.childrenRect.height + 2 * padding

    Effects.DropShadow {
        anchors.fill: body
        source: body
        visible: root.elevated
        color: Qt.rgba(0, 0, 0, 0.24)
        radius: 18
        samples: 37
        horizontalOffset: 0
        verticalOffset: 8
        transparentBorder: true
        // Redrawn only when the shape or the shadow changes, not on every frame of the window.
        cached: true
    }

    Item {
        id: body
        anchors.fill: parent

        // The platform's translucent material, approximated by a dark see-through fill.
        Rectangle {
            anchors.fill: parent
            radius: root.radius
            color: Qt.rgba(0.09, 0.09, 0.12, 0.62)
        }
        DiagonalGradient {
            anchors.fill: parent
            radius: root.radius
            colours: PremiumPalette.panelGradient
        }
        Rectangle {
            anchors.fill: parent
            radius: root.radius
            color: "transparent"
            border.width: 1
            border.color: PremiumPalette.hairline
        }
    }

    Item {
        id: contentArea
        anchors.fill: parent
        anchors.margins: root.padding
    }
}
