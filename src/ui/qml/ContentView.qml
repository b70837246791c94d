import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Controls
import QtQuick.Layouts
import Pictavo.Model
import Pictavo.Shell

// The whole window content: background, glows, header, the inspector and queue panes, the
// bottom bar, and the window-wide drop target. Owns the window's model.
Item {
    id: root

    property bool showAllPresets: false
    property bool showInspector: true
    // Draws what a run shows once, out of sight, in the first frames, so that the renderer's
    // shaders are ready before the first run. The executable asks for it; views made by tests
    // hold no second copy of the run's controls.
    property bool warmUpRunLook: false
    // The view's own model, over the platform services the application started with.
    readonly property ResizeViewModel model: ViewModelFactory.create(root)
    // A hidden inspector leaves the split view's layout altogether.
    readonly property real inspectorWidth: inspector.visible ? inspector.width : 0

    implicitWidth: 1260
    implicitHeight: 820

    Connections {
        target: PictavoApp
        function onImportImages() {
            root.model.openImages()
        }
        function onOpenUrls(urls) {
            for (const url of urls)
                root.model.addURLs([url])
        }
    }

    Component.onCompleted: {
        const urls = PictavoApp.takeInitialUrls()
        if (urls.length > 0)
            root.model.addURLs(urls)
    }

    DiagonalGradient {
        anchors.fill: parent
        colours: PremiumPalette.backgroundGradient
    }

    AnimatedGlow {
        size: 240
        x: root.width / 2 - 430 - size / 2
        y: root.height / 2 - 310 - size / 2
    }
    AnimatedGlow {
        size: 240
        hueRotation: 95
        x: root.width / 2 + 460 - size / 2
        y: root.height / 2 + 330 - size / 2
    }

    // Files dropped anywhere on the window go to intake one by one. It lies beneath the content,
    // so that a drop target inside it (the queue list's) is reached first.
    FileDropArea {
        objectName: "windowDropTarget"
        anchors.fill: parent
        model: root.model
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        HeaderBar {
            Layout.fillWidth: true
            model: root.model
        }

        SplitView {
            id: split
            Layout.fillWidth: true
            Layout.fillHeight: true
            orientation: Qt.Horizontal

            // 1 while the inspector is shown, 0 while hidden; the pane's width limits follow.
            property real inspectorShare: root.showInspector ? 1 : 0
            Behavior on inspectorShare {
                NumberAnimation { duration: 180; easing.type: Easing.InOutQuad }
            }

            handle: Rectangle {
                id: handle
                objectName: "splitHandle"
                implicitWidth: 1
                color: Qt.rgba(1, 1, 1, SplitHandle.hovered || SplitHandle.pressed ? 0.18 : 0.08)
                // Drawn as a hairline, grabbed over 8 pixels.
                containmentMask: Item {
                    x: (handle.width - width) / 2
                    width: 8
                    height: handle.height
                }
            }

            InspectorPane {
                id: inspector
                objectName: "inspectorPane"
                model: root.model
                showAllPresets: root.showAllPresets
                onToggleAllPresets: root.showAllPresets = !root.showAllPresets
                SplitView.minimumWidth: 300 * split.inspectorShare
                SplitView.preferredWidth: 330 * split.inspectorShare
                SplitView.maximumWidth: 370 * split.inspectorShare
                opacity: root.showInspector ? 1 : 0
                Behavior on opacity {
                    NumberAnimation { duration: 180; easing.type: Easing.InOutQuad }
                }
                visible: split.inspectorShare > 0
                enabled: root.showInspector && !root.model.isProcessing
                clip: true
            }

            QueuePane {
                objectName: "queuePane"
                model: root.model
                SplitView.minimumWidth: 630
                SplitView.fillWidth: true
            }
        }

        BottomBar {
            objectName: "bottomBar"
            Layout.fillWidth: true

            ActionBar {
                objectName: "actionBar"
                Layout.fillWidth: true
                model: root.model
            }
        }
    }

    // Left of the window, out of sight, and gone after its first frames.
    Loader {
        id: runLookWarmUp
        active: root.warmUpRunLook
        property int framesLeft: 3
        x: -width - 100
        sourceComponent: RunLookWarmUp {}
        Connections {
            target: runLookWarmUp.active ? runLookWarmUp.Window.window : null
            function onFrameSwapped() {
                if (--runLookWarmUp.framesLeft <= 0)
                    runLookWarmUp.active = false
            }
        }
    }
}
