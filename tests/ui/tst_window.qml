import QtQuick
import QtTest
import Pictavo
import Pictavo.Shell

TestCase {
    id: testCase

    name: "Window"
    when: windowShown
    width: 1260
    height: 820

    Component {
        id: contentComponent
        ContentView { width: 1260; height: 820 }
    }
    Component {
        id: windowComponent
        Main {}
    }

    function chipValue(view, chipName) {
        return findChild(findChild(view, chipName), "chipValue").text
    }

    function test_chipsFollowTheModel() {
        const view = createTemporaryObject(contentComponent, testCase.parent)
        compare(chipValue(view, "imageCountChip"), "0")
        compare(chipValue(view, "targetChip"), "1920×1080")
        compare(chipValue(view, "formatChip"), "Orijinali Koru")

        view.model.settings.width = 800
        view.model.settings.format = "PNG"
        view.model.addPaths([testSupport.sampleImage("chip.png")])
        compare(chipValue(view, "targetChip"), "800×1080")
        compare(chipValue(view, "formatChip"), "PNG")
        compare(chipValue(view, "imageCountChip"), "1")
    }

    function test_droppedFilesReachIntakeOneByOne() {
        const view = createTemporaryObject(contentComponent, testCase.parent)
        const files = [testSupport.sampleImage("d1.jpg"), testSupport.sampleImage("d2.png"),
                       testSupport.sampleImage("d3.tif")]
        testSupport.dragEnter(view.Window.window, files, Qt.point(600, 400))
        verify(view.model.isDropTargeted)
        verify(testSupport.drop(view.Window.window, Qt.point(600, 400)))
        compare(view.model.items.count, 3)
        verify(!view.model.isDropTargeted)

        // An unsupported file is accepted as a drop but changes nothing.
        testSupport.dragEnter(view.Window.window, [testSupport.textFile("notes.txt")], Qt.point(80, 600))
        verify(testSupport.drop(view.Window.window, Qt.point(80, 600)))
        compare(view.model.items.count, 3)

        testSupport.dragEnter(view.Window.window, files, Qt.point(600, 400))
        testSupport.dragLeave(view.Window.window)
        verify(!view.model.isDropTargeted)
    }

    function test_menuAndToolbar() {
        const window = createTemporaryObject(windowComponent, testCase)
        verify(window)
        compare(window.minimumWidth, 1040)
        compare(window.minimumHeight, 720)
        compare(window.width, 1260)
        compare(window.height, 820)

        const action = findChild(window.menuBar, "importImagesAction")
        compare(action.text, "Görsel Ekle\u2026")
        compare(action.shortcut, StandardKey.Open)

        const content = findChild(window.contentItem, "contentView")
        const calls = testSupport.imageDialogCalls()
        testSupport.answerImageDialog([testSupport.sampleImage("menu.jpg")])
        action.trigger()
        compare(testSupport.imageDialogCalls(), calls + 1)
        compare(content.model.items.count, 1)

        const toolbar = window.header
        const toggle = findChild(toolbar, "toggleInspectorButton")
        compare(toggle.text, "Ayarları Gizle")
        toggle.clicked()
        compare(toggle.text, "Ayarları Göster")
        tryCompare(content, "inspectorWidth", 0, 1000)
        toggle.clicked()
        tryVerify(() => content.inspectorWidth >= 300 && content.inspectorWidth <= 370, 1000)

        findChild(toolbar, "addImagesButton").clicked()
        compare(testSupport.imageDialogCalls(), calls + 2)
        const folderCalls = testSupport.folderDialogCalls()
        findChild(toolbar, "outputFolderButton").clicked()
        compare(testSupport.folderDialogCalls(), folderCalls + 1)
    }

    function test_filesOpenedLaterJoinTheQueue() {
        const view = createTemporaryObject(contentComponent, testCase.parent)
        const files = [testSupport.sampleImage("o1.jpg"), testSupport.textFile("o2.txt"),
                       testSupport.sampleImage("o3.png")]
        PictavoApp.openUrls(files.map(path => Qt.url("file://" + path)))
        compare(view.model.items.count, 2)
    }

    function test_importImagesSignalOpensThePicker() {
        createTemporaryObject(contentComponent, testCase.parent)
        const calls = testSupport.imageDialogCalls()
        PictavoApp.importImages()
        compare(testSupport.imageDialogCalls(), calls + 1)
    }
}
