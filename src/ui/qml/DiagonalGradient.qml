import QtQuick
import QtQuick.Shapes as Shapes

// A rounded rectangle filled with evenly spread colour stops from its top-left corner to its
// bottom-right one (Rectangle gradients only run along one axis).
Shapes.Shape {
    id: root

    property var colours: ["black", "black"]
    property real radius: 0

    antialiasing: true

    RoundedRectPath {
        area: Qt.rect(0, 0, root.width, root.height)
        radius: root.radius
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
    }
}
