import QtQuick
import Pictavo.Model

// A target for files dragged in from the desktop: the model shows the highlight while a drag
// carrying URLs is over it, and each dropped URL goes to intake on its own, so one unreadable
// item cannot hold back the others.
DropArea {
    id: root

    required property ResizeViewModel model

    keys: ["text/uri-list"]
    onEntered: drag => {
        root.model.isDropTargeted = drag.hasUrls
        drag.accept(Qt.CopyAction)
    }
    onExited: root.model.isDropTargeted = false
    onDropped: drop => {
        drop.accept(Qt.CopyAction)
        root.model.isDropTargeted = false
        for (const url of drop.urls)
            root.model.addURLs([url])
    }
}
