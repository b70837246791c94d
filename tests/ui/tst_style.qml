import QtQuick
import QtTest
import Pictavo
import Pictavo.Shell

TestCase {
    id: testCase

    name: "StyleKit"
    when: windowShown
    width: 400
    height: 300

    Component {
        id: primaryComponent
        PremiumPrimaryButton { text: "Başlat"; x: 50; y: 50 }
    }
    Component {
        id: secondaryComponent
        PremiumSecondaryButton { text: "İptal"; x: 50; y: 150 }
    }
    Component {
        id: glowComponent
        AnimatedGlow { size: 240 }
    }

    function cleanup() {
        Motion.reduceMotion = true
    }

    function test_paletteValues() {
        compare(PremiumPalette.accent, Qt.rgba(1.0, 0.37, 0.06, 1))
        compare(PremiumPalette.mint, Qt.rgba(0.17, 0.78, 0.48, 1))
        compare(PremiumPalette.hairline, Qt.rgba(1, 1, 1, 0.11))
        compare(PremiumPalette.accentGradient.length, 3)
        compare(PremiumPalette.backgroundGradient.length, 3)
    }

    function test_pressedButtonsShrinkOnlyWithMotion() {
        Motion.reduceMotion = true
        const primary = createTemporaryObject(primaryComponent, testCase.parent)
        verify(primary.height >= 44)
        mousePress(primary)
        compare(primary.scale, 1.0)
        mouseRelease(primary)

        // Pressed away from the first press, so that no double click is made of the two.
        Motion.reduceMotion = false
        mousePress(primary, 5, 5)
        tryCompare(primary, "scale", 0.985, 500)
        mouseRelease(primary, 5, 5)
        tryCompare(primary, "scale", 1.0, 500)

        const secondary = createTemporaryObject(secondaryComponent, testCase.parent)
        verify(secondary.height >= 40)
        compare(secondary.contentItem.children[0].children[1].text, "İptal") // never upper-cased
        mousePress(secondary)
        tryCompare(secondary, "scale", 0.99, 500)
        mouseRelease(secondary)
    }

    function test_glowStaysStillWithReducedMotion() {
        Motion.reduceMotion = true
        const glow = createTemporaryObject(glowComponent, testCase.parent)
        compare(glow.opacity, 0.2)
        compare(glow.scale, 1.0)
        verify(!glow.enabled)
        wait(100)
        compare(glow.opacity, 0.2)
    }

    function test_glowBreathesOtherwise() {
        Motion.reduceMotion = false
        const glow = createTemporaryObject(glowComponent, testCase.parent)
        verify(glow.pulse)
        wait(300)
        verify(glow.opacity > 0.18 && glow.opacity < 0.25)
        verify(glow.scale > 0.985 && glow.scale < 1.025)
    }
}
