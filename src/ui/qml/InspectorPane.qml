import QtQuick
import Pictavo.Model

// The settings inspector's place on the left; its panels fill it.
Item {
    id: root

    required property ResizeViewModel model

    enabled: !model.isProcessing
}
