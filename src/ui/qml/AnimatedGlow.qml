import QtQuick
import Qt5Compat.GraphicalEffects as Effects
import Pictavo.Shell

// A blurred accent disc that breathes slowly (8 s each way, forever), or stays still at 0.2
// when the desktop asks for reduced motion. Decoration only: no input, not announced.
Item {
    id: root

    property real size: 240
    property real hueRotation: 0 // degrees

    property bool pulse: false
    readonly property bool reduceMotion: Motion.reduceMotion

    function rotated(colour) {
        if (hueRotation === 0)
            return colour
        const hue = (colour.hslHue + hueRotation / 360) % 1
        return Qt.hsla(hue, colour.hslSaturation, colour.hslLightness, colour.a)
    }

    width: size
    height: size
    enabled: false
    Accessible.ignored: true
    opacity: reduceMotion ? 0.2 : (pulse ? 0.25 : 0.18)
    scale: reduceMotion ? 1.0 : (pulse ? 1.025 : 0.985)

    Rectangle {
        id: disc
        anchors.fill: parent
        radius: width / 2
        visible: false
        gradient: Gradient {
            orientation: Gradient.Horizontal
            GradientStop { position: 0; color: root.rotated(PremiumPalette.accent) }
            GradientStop { position: 0.5; color: root.rotated(PremiumPalette.accentSoft) }
            GradientStop { position: 1; color: root.rotated(PremiumPalette.violet) }
        }
    }
    Effects.FastBlur {
        anchors.fill: disc
        anchors.margins: -72
        source: ShaderEffectSource {
            sourceItem: disc
            sourceRect: Qt.rect(-72, -72, disc.width + 144, disc.height + 144)
        }
        radius: 72
        transparentBorder: true
        // The disc never changes; blurring it once keeps the breathing to a cheap transform.
        cached: true
    }

    SequentialAnimation on opacity {
        running: !root.reduceMotion
        loops: Animation.Infinite
        NumberAnimation { from: 0.18; to: 0.25; duration: 8000; easing.type: Easing.InOutQuad }
        NumberAnimation { from: 0.25; to: 0.18; duration: 8000; easing.type: Easing.InOutQuad }
    }
    SequentialAnimation on scale {
        running: !root.reduceMotion
        loops: Animation.Infinite
        NumberAnimation { from: 0.985; to: 1.025; duration: 8000; easing.type: Easing.InOutQuad }
        NumberAnimation { from: 1.025; to: 0.985; duration: 8000; easing.type: Easing.InOutQuad }
    }
    Component.onCompleted: pulse = !reduceMotion
}
