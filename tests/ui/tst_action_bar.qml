import QtQuick
import QtTest
import Pictavo
import Pictavo.Shell

ContentTestCase {
    id: testCase

    name: "ActionBar"

    // What the bar shows: which view, and in the idle view which of its parts.
    function shown(view) {
        const parts = []
        if (find(view, "processingView").visible)
            parts.push("processing")
        if (find(view, "idleView").visible) {
            if (find(view, "messageLine").visible)
                parts.push(view.model.lastMessageIsError ? "warning" : "success")
            for (const button of ["reveal", "start"])
                if (find(view, button + "Button").visible)
                    parts.push(button)
        }
        return parts.join(" ")
    }

    function test_run_data() {
        return [
            { tag: "all converted", damaged: false, shown: "success reveal start",
              message: "3 görsel başarıyla hazırlandı.", symbol: "checkmark.circle.fill",
              colour: PremiumPalette.mint },
            { tag: "one failed", damaged: true, shown: "warning start",
              message: "2 tamamlandı, 1 görsel işlenemedi.",
              symbol: "exclamationmark.triangle.fill", colour: PremiumPalette.amber },
        ]
    }

    // While a run goes on, nothing it copied its settings from can change and the queue cannot
    // be emptied; its end says how it went, and clearing the queue afterwards keeps that.
    function test_run(data) {
        const view = makeView(3, data.tag)
        const settings = view.model.settings
        testSupport.answerFolderDialog(testSupport.emptyFolder(data.tag))
        view.model.chooseOutputFolder()
        if (data.damaged)
            testSupport.textFile(data.tag + "1.png") // after intake, so the run fails on it
        mouseClick(find(view, "startButton"))
        verify(view.model.isProcessing)
        compare(shown(view), "processing")
        compare(find(view, "progressRing").progress, view.model.progress)
        const clear = find(view, "clearAllButton")
        verify(!clear.enabled && !find(view, "inspectorPane").enabled)
        // Controls grey, the pane and its panels keep their look; so does a secondary button.
        compare(["inspectorScroll", "outputPanel", "chooseFolderButton", "qualitySlider",
                 "clearAllButton"].map(name => find(view, name).opacity), [1, 1, 1, 0.3, 0.45])
        const folder = view.model.outputFolder
        testSupport.answerFolderDialog(testSupport.emptyFolder("elsewhere"))
        mouseClick(clear)
        for (const control of ["chooseFolderButton", "preset-Web Kare S", "swapButton",
                               "segment-Esnet"])
            clickInInspector(view, control)
        compare([view.model.items.count, view.model.outputFolder, settings.width, settings.height,
                 settings.mode], [3, folder, 1920, 1080, "Sığdır"])

        tryCompare(view.model, "isProcessing", false, 20000)
        compare(shown(view), data.shown)
        const text = find(view, "messageText")
        compare(text.text, data.message)
        compare(find(view, "messageSymbol").name, data.symbol)
        compare(String(text.color), String(data.colour))
        verify(clear.enabled && find(view, "inspectorPane").enabled)
        clickInInspector(view, "segment-Esnet")
        compare(settings.mode, "Esnet")
        if (find(view, "revealButton").visible) {
            const reveals = testSupport.revealCalls()
            mouseClick(find(view, "revealButton"))
            compare(testSupport.revealCalls(), reveals + 1)
        }
    }

    function test_percentTextTruncates_data() {
        return [
            { tag: "0.57 is below 57", progress: 0.57, text: "%56" },
            { tag: "just below 1", progress: 0.9999, text: "%99" },
            { tag: "done", progress: 1, text: "%100" },
        ]
    }

    function test_percentTextTruncates(data) {
        const ring = createTemporaryObject(ringComponent, testCase)
        ring.progress = data.progress
        compare(find(ring, "ringPercent").text, data.text)
    }

    Component {
        id: ringComponent
        ProgressRing {}
    }
}
