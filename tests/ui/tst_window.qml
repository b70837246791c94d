import QtQuick
import QtTest
import Pictavo
import Pictavo.Shell

TestCase {
    id: testCase

    name: "Window"
    when: windowShown
    width: 400
    height: 300

    Component {
        id: windowComponent
        Main {}
    }

    function makeWindow() {
        const window = createTemporaryObject(windowComponent, testCase)
        return { window: window, content: findChild(window.contentItem, "contentView") }
    }

    function chips(content) {
        return ["imageCountChip", "targetChip", "formatChip"].map(
            name => findChild(findChild(content, name), "chipValue").text)
    }

    // The ways into the queue besides a drop: the menu (and its shortcut), the toolbar, and
    // files the desktop opens with the running program.
    function test_menuToolbarAndOpenedFiles() {
        const { window, content } = makeWindow()
        const action = findChild(window.menuBar, "importImagesAction")
        compare(action.text, "Görsel Ekle\u2026")
        compare(action.shortcut, StandardKey.Open)
        testSupport.answerImageDialog([testSupport.sampleImage("menu.jpg")])
        action.trigger()
        compare(content.model.items.count, 1)
        testSupport.answerImageDialog([testSupport.sampleImage("toolbar.jpg")])
        findChild(window.header, "addImagesButton").clicked()
        compare(content.model.items.count, 2)
        const folder = testSupport.emptyFolder("toolbar")
        testSupport.answerFolderDialog(folder)
        findChild(window.header, "outputFolderButton").clicked()
        compare(content.model.outputFolder, folder)

        const files = [testSupport.sampleImage("o1.jpg"), testSupport.textFile("o2.txt"),
                       testSupport.sampleImage("o3.png")]
        PictavoApp.openUrls(files.map(path => Qt.url("file://" + path)))
        compare(content.model.items.count, 4)
    }

    // At its smallest the content keeps 1040 × 720 under the menu bar and toolbar; Ctrl+W
    // closes the window, and the File menu quits on Ctrl+Q below its first entry.
    function test_minimumSizeAndClosingKeys() {
        const { window, content } = makeWindow()
        window.width = window.minimumWidth
        window.height = window.minimumHeight
        tryCompare(content, "height", 720)
        compare(content.width, 1040)
        const menu = findChild(window.menuBar, "fileMenu")
        const quit = findChild(window.menuBar, "quitAction")
        compare([menu.actionAt(0).text, quit.text, quit.shortcut],
                ["Görsel Ekle\u2026", "Çık", StandardKey.Quit])
        window.requestActivate()
        tryVerify(() => window.active)
        testSupport.keyTo(window, Qt.Key_W, Qt.ControlModifier)
        tryVerify(() => !window.visible)
    }

    // The whole path a user takes: photos dropped on the window, a run started with the button,
    // cancelled, then run again to the end.
    function test_dropConvertCancelAndConvertAgain() {
        const { window, content } = makeWindow()
        const model = content.model
        const photos = [
            testSupport.turnedPhoto("portrait.jpg", 3000, 2250, 6),
            testSupport.sampleImage("landscape.jpg", 3200, 2400),
            testSupport.sampleImage("wide.jpg", 1920, 1080),
            testSupport.sampleImage("deep.png", 1200, 900, true),
        ]
        const output = testSupport.emptyFolder("converted")
        testSupport.answerFolderDialog(output)
        // Earlier tests may have left a stored folder behind; choose this one explicitly.
        verify(model.chooseOutputFolder())
        model.settings.width = 640
        model.settings.height = 480

        testSupport.dragEnter(window, photos, Qt.point(700, 400))
        verify(testSupport.drop(window, Qt.point(700, 400)))
        compare(chips(content), ["4", "640×480", "Orijinali Koru"])

        const start = findChild(window.contentItem, "startButton")
        mouseClick(start)
        verify(model.isProcessing)
        mouseClick(findChild(window.contentItem, "cancelButton"))
        tryCompare(model, "isProcessing", false, 30000)
        compare(findChild(window.contentItem, "messageText").text, "İşlem iptal edildi.")
        const afterCancel = testSupport.filesIn(output)
        verify(afterCancel.length < 4, afterCancel.join(", "))
        verify(findChild(window.contentItem, "revealButton").visible)

        mouseClick(start)
        tryCompare(model, "isProcessing", false, 30000)
        compare(findChild(window.contentItem, "messageText").text,
                "4 görsel başarıyla hazırlandı.")
        const files = testSupport.filesIn(output)
        compare(files.length, afterCancel.length + 4)
        for (const name of ["portrait_resized.jpg", "landscape_resized.jpg", "wide_resized.jpg",
                            "deep_resized.png"])
            verify(files.indexOf(name) >= 0, name + " in " + files.join(", "))
        compare(testSupport.imageSize(output + "/landscape_resized.jpg"), Qt.size(640, 480))
    }
}
