import QtQuick

// A small busy indicator for the dark window: a three-quarter ring turning once a second,
// only while it is shown. The ring is one cached symbol texture, so a list full of spinners
// costs no geometry of its own.
SymbolIcon {
    id: root

    size: 18
    name: "progress.arc"
    colour: Qt.rgba(1, 1, 1, 0.72)
    Accessible.role: Accessible.Animation

    RotationAnimator on rotation {
        from: 0
        to: 360
        duration: 1000
        loops: Animation.Infinite
        running: root.visible
    }
}
