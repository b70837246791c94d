import QtQuick
import Pictavo.Shell
import "Percent.js" as Percent

// The run's progress as a ring: a faint track, an accent arc from twelve o'clock growing
// clockwise, and the percentage in the middle.
Item {
    id: root

    property real progress: 0
    // The arc eases towards the model's value; the text always shows the value itself.
    property real shownProgress: progress

    Accessible.role: Accessible.ProgressBar
    Accessible.name: "İlerleme"
    Accessible.description: Percent.text(root.progress)

    implicitWidth: 50
    implicitHeight: 50

    Behavior on shownProgress {
        NumberAnimation { duration: 250; easing.type: Easing.InOutQuad }
    }
    onShownProgressChanged: arc.requestPaint()

    Canvas {
        id: arc
        anchors.fill: parent
        antialiasing: true
        onPaint: {
            const ctx = getContext("2d")
            ctx.reset()
            const lineWidth = 5
            const radius = (Math.min(width, height) - lineWidth) / 2
            const centreX = width / 2
            const centreY = height / 2

            ctx.lineWidth = lineWidth
            ctx.lineCap = "butt"
            ctx.strokeStyle = Qt.rgba(1, 1, 1, 0.10)
            ctx.beginPath()
            ctx.arc(centreX, centreY, radius, 0, 2 * Math.PI)
            ctx.stroke()

            const fraction = Math.max(0, Math.min(1, root.shownProgress))
            if (fraction <= 0)
                return
            const gradient = ctx.createLinearGradient(0, 0, width, 0)
            const stops = PremiumPalette.accentGradient
            for (let i = 0; i < stops.length; ++i)
                gradient.addColorStop(i / (stops.length - 1), stops[i])
            ctx.strokeStyle = gradient
            ctx.lineCap = "round"
            ctx.beginPath()
            const start = -Math.PI / 2
            ctx.arc(centreX, centreY, radius, start, start + fraction * 2 * Math.PI)
            ctx.stroke()
        }
    }

    Text {
        objectName: "ringPercent"
        anchors.centerIn: parent
        text: Percent.text(root.progress)
        font.family: PremiumPalette.tabularDigitsFamily
        font.pixelSize: PremiumPalette.caption2Size
        font.weight: Font.Black
        color: "white"
    }
}
