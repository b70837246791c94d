import QtQuick
import QtTest
import Pictavo
import Pictavo.Shell

TestCase {
    id: testCase

    name: "ActionBar"
    when: windowShown
    width: 1260
    height: 820

    Component {
        id: contentComponent
        ContentView { width: 1260; height: 820 }
    }

    function find(view, name) {
        const item = findChild(view, name)
        verify(item, name)
        return item
    }

    // A content view whose queue holds `count` small images and whose output folder dialog
    // answers with a fresh folder.
    function makeView(count, folderName) {
        const view = createTemporaryObject(contentComponent, testCase.parent)
        const paths = []
        for (let i = 0; i < count; ++i)
            paths.push(testSupport.sampleImage(folderName + "-" + i + ".png"))
        view.model.addPaths(paths)
        testSupport.answerFolderDialog(testSupport.emptyFolder(folderName))
        view.model.chooseOutputFolder()
        return view
    }

    function runToEnd(view) {
        view.model.startProcessing()
        tryCompare(view.model, "isProcessing", false, 20000)
    }

    // What the bar shows: which view, and in the idle view which of its parts.
    function shown(view) {
        const parts = []
        if (find(view, "processingView").visible)
            parts.push("processing")
        if (find(view, "idleView").visible) {
            if (find(view, "messageLine").visible)
                parts.push(view.model.lastMessageIsError ? "warning" : "success")
            if (find(view, "revealButton").visible)
                parts.push("reveal")
            if (find(view, "startButton").visible)
                parts.push("start")
        }
        return parts.join(" ")
    }

    function test_emptyQueueShowsOnlyADimmedStartButton() {
        const view = createTemporaryObject(contentComponent, testCase.parent)
        const start = find(view, "startButton")
        compare(shown(view), "start")
        compare(start.text, "0 Görseli Dönüştür")
        verify(!start.enabled)
        compare(start.opacity, 0.45)
        verify(start.width >= 185)

        view.model.addPaths([testSupport.sampleImage("one.png"), testSupport.sampleImage("two.png")])
        compare(start.text, "2 Görseli Dönüştür")
        verify(start.enabled)
        compare(start.opacity, 1)
    }

    function test_barFollowsTheRunThroughEachState() {
        const view = makeView(3, "states")
        view.model.startProcessing()
        compare(shown(view), "processing")
        compare(find(view, "progressRing").progress, view.model.progress)
        tryCompare(view.model, "isProcessing", false, 20000)
        compare(shown(view), "success reveal start")
        compare(find(view, "messageText").text, "3 görsel başarıyla hazırlandı.")
        compare(find(view, "messageSymbol").name, "checkmark.circle.fill")
        compare(String(find(view, "messageText").color), String(PremiumPalette.mint))

        mouseClick(find(view, "revealButton"))
        compare(testSupport.revealCalls(), 1)
    }

    function test_partialFailureWarnsWithoutReveal() {
        const view = makeView(2, "partial")
        // Damaged after intake, so the run fails on it.
        testSupport.textFile("partial-1.png")
        runToEnd(view)
        compare(view.model.lastMessage, "1 tamamlandı, 1 görsel işlenemedi.")
        compare(shown(view), "warning start")
        compare(find(view, "messageSymbol").name, "exclamationmark.triangle.fill")
        compare(String(find(view, "messageText").color), String(PremiumPalette.amber))

        // In a narrow bar the message wraps beside the start button, never under it.
        view.width = 420
        const text = find(view, "messageText"), start = find(view, "startButton")
        tryVerify(() => text.lineCount === 2)
        verify(text.mapToItem(view, text.width, 0).x <= start.mapToItem(view, 0, 0).x,
               "the message ends before the start button")
    }

    function test_cancelledRunLooksLikeSuccessAndOffersReveal() {
        const view = makeView(6, "cancel")
        view.model.startProcessing()
        mouseClick(find(view, "cancelButton"))
        tryCompare(view.model, "isProcessing", false, 20000)
        compare(view.model.lastMessage, "İşlem iptal edildi.")
        compare(shown(view), "success reveal start")
    }

    function test_cancelWithoutARunDoesNothing() {
        const view = makeView(1, "idle")
        view.model.cancelProcessing()
        compare(view.model.hasLastMessage, false)
        compare(shown(view), "start")
        runToEnd(view)
        compare(view.model.lastMessage, "1 görsel başarıyla hazırlandı.")
    }

    function test_percentTextTruncates_data() {
        return [
            { tag: "start", progress: 0, text: "%0" },
            { tag: "a third", progress: 1 / 3, text: "%33" },
            { tag: "45", progress: 0.45, text: "%45" },
            { tag: "0.57 is below 57", progress: 0.57, text: "%56" },
            { tag: "just below 1", progress: 0.9999, text: "%99" },
            { tag: "done", progress: 1, text: "%100" },
        ]
    }
    function test_percentTextTruncates(data) {
        const ring = createTemporaryObject(ringComponent, testCase.parent)
        ring.progress = data.progress
        compare(findChild(ring, "ringPercent").text, data.text)
    }
    Component {
        id: ringComponent
        ProgressRing {}
    }
}
