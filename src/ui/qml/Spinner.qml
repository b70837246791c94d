import QtQuick
import QtQuick.Shapes as Shapes

// A small busy indicator for the dark window: a three-quarter ring turning once a second,
// only while it is shown.
Item {
    id: root

    property real size: 18
    property color colour: Qt.rgba(1, 1, 1, 0.72)
    property real lineWidth: Math.max(1.5, size / 9)

    implicitWidth: size
    implicitHeight: size
    Accessible.role: Accessible.Animation

    Shapes.Shape {
        anchors.fill: parent
        antialiasing: true

        Shapes.ShapePath {
            strokeColor: root.colour
            strokeWidth: root.lineWidth
            fillColor: "transparent"
            capStyle: Shapes.ShapePath.RoundCap
            PathAngleArc {
                centerX: root.size / 2
                centerY: root.size / 2
                radiusX: (root.size - root.lineWidth) / 2
                radiusY: (root.size - root.lineWidth) / 2
                startAngle: -90
                sweepAngle: 270
            }
        }

        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
            running: root.visible
        }
    }
}
