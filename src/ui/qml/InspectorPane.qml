import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Model
import Pictavo.Shell

// The settings inspector: four panels in a scrolling column. Inert while a run goes on.
Item {
    id: root

    required property ResizeViewModel model
    property bool showAllPresets: false
    // The window speaks Turkish throughout, so its numbers are grouped the Turkish way
    // (1.920), like the byte sizes of the queue.
    property var locale: Qt.locale("tr_TR")

    signal toggleAllPresets()

    enabled: !model.isProcessing

    Rectangle {
        anchors.fill: parent
        color: Qt.rgba(0, 0, 0, 0.14)
    }

    ScrollView {
        id: scroller
        objectName: "inspectorScroll"
        anchors.fill: parent
        // Drawn into a texture that is redrawn only when something in the pane changes, so the
        // frames of the ring, the spinners and the glows do not draw every control again.
        layer.enabled: true
        // The disabled look, on the finished texture: the pane is not drawn again when a run
        // starts, and no control needs a translucent variant of its shaders compiled then.
        // Every control also refuses input through `enabled`.
        opacity: root.enabled ? 1 : 0.5
        contentWidth: availableWidth
        ScrollBar.vertical.policy: ScrollBar.AlwaysOn
        ScrollBar.horizontal.policy: ScrollBar.AlwaysOff
        ScrollBar.vertical.Accessible.name: "Ayarları kaydır"
        ScrollBar.horizontal.Accessible.name: "Ayarları yatay kaydır"

        ColumnLayout {
            width: scroller.availableWidth
            spacing: 16

            Item { implicitHeight: 0 }
            SizePanel {
                objectName: "sizePanel"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                settings: root.model.settings
                showAllPresets: root.showAllPresets
                locale: root.locale
                onToggleAllPresets: root.toggleAllPresets()
            }
            FramingPanel {
                objectName: "framingPanel"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                settings: root.model.settings
            }
            OutputPanel {
                objectName: "outputPanel"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                settings: root.model.settings
                locale: root.locale
            }
            SaveLocationPanel {
                objectName: "saveLocationPanel"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                model: root.model
            }
            Item { implicitHeight: 0 }
        }
    }
}
