import QtQuick
import QtQuick.Controls.Basic

// Where a queued photo stands: a tinted capsule for ready, done and failed (a failure explains
// itself on hover), and a plain turning indicator while it is being converted.
Item {
    id: root

    property string status
    property string failureText

    readonly property bool processing: status === "processing"
    // What the badge says, for the row's accessible description.
    readonly property string label: processing ? "İşleniyor" : look.text
    readonly property var look: ({
        "ready": { text: "Hazır", symbol: "clock.fill", colour: PremiumPalette.sky },
        "done": { text: "Tamamlandı", symbol: "checkmark.circle.fill", colour: PremiumPalette.mint },
        "failed": { text: "Hata", symbol: "exclamationmark.triangle.fill", colour: PremiumPalette.amber }
    })[status] ?? { text: "", symbol: "", colour: "white" }

    implicitWidth: processing ? busy.implicitWidth : capsule.implicitWidth
    implicitHeight: processing ? busy.implicitHeight : capsule.implicitHeight

    CapsuleBadge {
        id: capsule
        objectName: "statusCapsule"
        anchors.centerIn: parent
        visible: !root.processing
        text: root.look.text
        symbol: root.look.symbol
        colour: root.look.colour
        verticalInset: 7
        fillOpacity: 0.10
        outlineOpacity: 0
        // The row says it in its own name.
        Accessible.ignored: true
    }

    Row {
        id: busy
        anchors.centerIn: parent
        visible: root.processing
        spacing: 8

        Spinner {
            anchors.verticalCenter: parent.verticalCenter
            size: 12
            colour: PremiumPalette.accentSoft
        }
        Text {
            objectName: "processingText"
            anchors.verticalCenter: parent.verticalCenter
            text: "İşleniyor"
            font.pixelSize: PremiumPalette.captionSize
            font.bold: true
            color: PremiumPalette.accentSoft
        }
    }

    HoverHandler {
        id: hover
        enabled: root.status === "failed"
    }

    ToolTip {
        objectName: "failureToolTip"
        text: root.failureText
        visible: hover.hovered && root.status === "failed" && text !== ""
        delay: 300
    }
}
