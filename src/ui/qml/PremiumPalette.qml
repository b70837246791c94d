pragma Singleton
import QtQuick

// The window's eight colours and four gradients (as colour stops), built once.
QtObject {
    readonly property color accent: Qt.rgba(1.0, 0.37, 0.06, 1)
    readonly property color accentSoft: Qt.rgba(1.0, 0.58, 0.22, 1)
    readonly property color violet: Qt.rgba(0.47, 0.24, 0.98, 1)
    readonly property color sky: Qt.rgba(0.12, 0.72, 1.0, 1)
    readonly property color mint: Qt.rgba(0.17, 0.78, 0.48, 1)
    readonly property color amber: Qt.rgba(1.0, 0.64, 0.12, 1)
    readonly property color hairline: Qt.rgba(1, 1, 1, 0.11)
    readonly property color secondaryText: Qt.rgba(1, 1, 1, 0.62)

    // Top leading to bottom trailing.
    readonly property var backgroundGradient: [Qt.rgba(0.045, 0.05, 0.068, 1),
        Qt.rgba(0.085, 0.07, 0.12, 1), Qt.rgba(0.04, 0.06, 0.045, 1)]
    // Leading to trailing.
    readonly property var accentGradient: [accent, accentSoft, violet]
    // Top leading to bottom trailing.
    readonly property var coolGradient: [sky, violet]
    readonly property var panelGradient: [Qt.rgba(1, 1, 1, 0.075), Qt.rgba(1, 1, 1, 0.035)]

    // The two smallest text styles, in pixels.
    readonly property int captionSize: 11
    readonly property int caption2Size: 10

    // The rounded face of titles, badges and buttons (full Turkish coverage).
    readonly property string roundedFamily: "Quicksand"
    // A face whose default figures all have one width, for numbers that change in place (a
    // percentage that counts up must not shift its neighbours). Qt 6.4 cannot switch on the
    // tabular-figures feature of other faces.
    readonly property string tabularDigitsFamily: "DejaVu Sans"

    // Colours as hex digits for image://symbol URLs ("#" would start a URL fragment).
    function symbolColour(colour) {
        return colour.toString().substring(1)
    }
}
