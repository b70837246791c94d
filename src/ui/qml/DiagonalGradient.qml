import QtQuick
import QtQuick.Shapes as Shapes

// A rounded rectangle filled with evenly spread colour stops from its top-left corner to its
// bottom-right one (Rectangle gradients only run along one axis).
Shapes.Shape {
    id: root

    property var colours: ["black", "black"]
    property real radius: 0

    readonly property real r: Math.min(radius, width / 2, height / 2)

    antialiasing: true

    Shapes.ShapePath {
        strokeWidth: -1
        fillGradient: Shapes.LinearGradient {
            x1: 0; y1: 0
            x2: root.width; y2: root.height
            // Two or three colours, spread evenly.
            GradientStop { position: 0; color: root.colours[0] }
            GradientStop {
                position: root.colours.length > 2 ? 0.5 : 1
                color: root.colours[1]
            }
            GradientStop { position: 1; color: root.colours[root.colours.length - 1] }
        }
        startX: root.r; startY: 0
        PathLine { x: root.width - root.r; y: 0 }
        PathArc { x: root.width; y: root.r; radiusX: root.r; radiusY: root.r }
        PathLine { x: root.width; y: root.height - root.r }
        PathArc { x: root.width - root.r; y: root.height; radiusX: root.r; radiusY: root.r }
        PathLine { x: root.r; y: root.height }
        PathArc { x: 0; y: root.height - root.r; radiusX: root.r; radiusY: root.r }
        PathLine { x: 0; y: root.r }
        PathArc { x: root.r; y: 0; radiusX: root.r; radiusY: root.r }
    }
}
