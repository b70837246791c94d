import QtQuick
import QtQuick.Shapes

// The outline of a rounded rectangle as a shape path; the corner radius is limited to half the
// shorter side. Fill and stroke are set by the user.
ShapePath {
    id: root

    property rect area
    property real radius: 0

    readonly property real r: Math.max(0, Math.min(radius, area.width / 2, area.height / 2))
    readonly property real right: area.x + area.width
    readonly property real bottom: area.y + area.height

    startX: area.x + r
    startY: area.y
    PathLine { x: root.right - root.r; y: root.area.y }
    PathArc { x: root.right; y: root.area.y + root.r; radiusX: root.r; radiusY: root.r }
    PathLine { x: root.right; y: root.bottom - root.r }
    PathArc { x: root.right - root.r; y: root.bottom; radiusX: root.r; radiusY: root.r }
    PathLine { x: root.area.x + root.r; y: root.bottom }
    PathArc { x: root.area.x; y: root.bottom - root.r; radiusX: root.r; radiusY: root.r }
    PathLine { x: root.area.x; y: root.area.y + root.r }
    PathArc { x: root.area.x + root.r; y: root.area.y; radiusX: root.r; radiusY: root.r }
}
