import QtQuick
import Pictavo.Model

// Tells assistive technology how a run ended: screen readers speak a notification when it starts
// showing, so it shows once at the end of each run and hides again when the next one starts.
// It draws nothing.
Item {
    id: root

    required property ResizeViewModel model

    visible: false
    Accessible.role: Accessible.Notification
    Accessible.name: ""

    Connections {
        target: root.model
        function onRunFinished() {
            root.Accessible.name = root.model.lastMessage
            root.visible = true
        }
        function onIsProcessingChanged() {
            if (root.model.isProcessing)
                root.visible = false
        }
    }
}
