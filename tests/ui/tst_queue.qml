import QtQuick
import QtTest
import Pictavo

ContentTestCase {
    name: "Queue"

    function rowAt(view, index) {
        const list = find(view, "queueListView")
        waitForItemPolished(list)
        tryVerify(() => list.itemAtIndex(index) !== null, 2000)
        return list.itemAtIndex(index)
    }

    function labelOf(parent, name) {
        return find(find(parent, name), "labelText").text
    }

    // The pane shows the drop zone exactly while the queue is empty, and the start button
    // is dimmed and refuses a click meanwhile; a drop on the filled queue lands on the list.
    function test_emptyQueueShowsTheDropZone() {
        const view = makeView(0, "")
        const window = view.Window.window
        const start = find(view, "startButton")
        const shown = () => [find(view, "dropZone").visible, find(view, "queueHeader").visible,
                             find(view, "queueList").visible, start.enabled, start.opacity,
                             start.text]
        const empty = [true, false, false, false, 0.45, "0 Görseli Dönüştür"]
        compare(shown(), empty)
        mouseClick(start)
        verify(!view.model.isProcessing)
        const look = () => [find(view, "dropZoneTitle").text, find(view, "dropZoneSymbol").name]
        const idle = ["Fotoğrafları buraya bırak", "photo.on.rectangle.angled"]
        compare(look(), idle)
        testSupport.dragEnter(window, [testSupport.sampleImage("z.jpg")], Qt.point(800, 400))
        compare(look(), ["Bırak, gerisini ben hallederim", "arrow.down.doc.fill"])
        testSupport.dragLeave(window)
        compare(look(), idle)

        const button = find(view, "chooseImagesButton")
        compare(button.text, "Görselleri Seç")
        testSupport.answerImageDialog([testSupport.sampleImage("one.jpg")])
        mouseClick(button)
        compare(shown(), [false, true, true, true, 1, "1 Görseli Dönüştür"])

        const list = find(view, "queueList")
        tryVerify(() => list.height > 100)
        const at = list.mapToItem(view, list.width / 2, list.height / 2)
        testSupport.dragEnter(window, [testSupport.sampleImage("two.webp")], at)
        verify(find(view, "queueDropTarget").containsDrag && view.model.isDropTargeted)
        verify(testSupport.drop(window, at))
        verify(!view.model.isDropTargeted)
        compare(shown(), [false, true, true, true, 1, "2 Görseli Dönüştür"])
        mouseClick(find(view, "clearAllButton"))
        compare(shown(), empty)
    }

    function test_headerCountsAndRemoveCompleted_data() {
        return [
            { tag: "all ready", statuses: ["ready", "ready", "ready", "ready"], ready: "4" },
            { tag: "done and failed", statuses: ["done", "failed", "done", "ready"], ready: "1" },
            { tag: "nothing ready", statuses: ["done", "done", "failed", "processing"], ready: "0" },
        ]
    }

    // The ready badge stays, also at 0; the others only appear with something to count.
    function test_headerCountsAndRemoveCompleted(data) {
        const view = makeView(4, "q")
        const count = status => data.statuses.filter(s => s === status).length
        for (let i = 0; i < 4; ++i)
            testSupport.setItemStatus(view.model, i, data.statuses[i], "/out/" + i + ".png")
        compare(find(view, "queueTitle").text, "4 görsel hazır")
        verify(find(view, "readyCountBadge").visible)
        compare(labelOf(view, "readyCountBadge"), data.ready)
        for (const status of ["done", "failed"]) {
            compare(find(view, status + "CountBadge").visible, count(status) > 0, status)
            if (count(status) > 0)
                compare(labelOf(view, status + "CountBadge"), String(count(status)))
        }
        const remove = find(view, "removeCompletedButton")
        compare(remove.visible, count("done") > 0)
        if (!remove.visible)
            return
        mouseClick(remove)
        compare(view.model.items.count, 4 - count("done"))
        verify(!remove.visible && !find(view, "doneCountBadge").visible)
    }

    function names(view) {
        const list = find(view, "queueListView")
        const shown = []
        for (let i = 0; i < list.count; ++i) {
            list.positionViewAtIndex(i, ListView.Contain)
            shown.push(find(rowAt(view, i), "rowFileName").text.replace(".png", ""))
        }
        return shown.join(" ")
    }

    function test_keyboardMovesChoosesAndDeletes_data() {
        const all = "k0 k1 k2 k3 k4 k5 k6 k7 k8 k9 k10 k11"
        return [
            { tag: "Delete takes the focused row", keys: [[Qt.Key_Down]],
              current: 1, left: all.replace(" k1", "") },
            { tag: "End scrolls to the last row", keys: [[Qt.Key_End]],
              current: 11, left: all.replace(" k11", "") },
            { tag: "Shift extends from the anchor", keys: [[Qt.Key_End], [Qt.Key_Up, Qt.ShiftModifier],
                                                         [Qt.Key_Up, Qt.ShiftModifier]],
              current: 9, left: "k0 k1 k2 k3 k4 k5 k6 k7 k8" },
            { tag: "Page Down, Home, then Up stays", keys: [[Qt.Key_PageDown], [Qt.Key_Home],
                                                          [Qt.Key_Up]],
              current: 0, left: all.replace("k0 ", "") },
            { tag: "Page Up past the top", keys: [[Qt.Key_End], [Qt.Key_PageUp],
                                                  [Qt.Key_PageUp], [Qt.Key_PageUp]],
              current: 0, left: all.replace("k0 ", "") },
            { tag: "Ctrl+A takes them all", keys: [[Qt.Key_End], [Qt.Key_A, Qt.ControlModifier]],
              current: 11, left: "" },
            { tag: "Ctrl and Shift clicks", clicks: [[1, Qt.NoModifier], [3, Qt.ShiftModifier],
                                                     [2, Qt.ControlModifier]],
              current: 2, left: "k0 k2 k4 k5 k6 k7 k8 k9 k10 k11" },
        ]
    }

    // The list is reached with Tab; the row with the focus is always in sight and is what a
    // screen reader hears; Delete takes the chosen rows and no others.
    function test_keyboardMovesChoosesAndDeletes(data) {
        const view = makeView(12, "k")
        const list = find(view, "queueListView")
        find(view, "clearAllButton").forceActiveFocus()
        keyClick(Qt.Key_Tab)
        verify(list.activeFocus)
        for (const [key, modifiers] of data.keys ?? [])
            keyClick(key, modifiers ?? Qt.NoModifier)
        for (const [row, modifiers] of data.clicks ?? [])
            mouseClick(rowAt(view, row), 20, 20, Qt.LeftButton, modifiers)
        compare(list.currentIndex, data.current)
        const row = list.currentItem
        verify(row.mapToItem(list, 0, 0).y >= 0
               && row.mapToItem(list, 0, row.height).y <= list.height, "in sight")
        verify(row.activeFocus && row.focusShown)
        keyClick(Qt.Key_Delete)
        compare(names(view), data.left)
    }

    // A right click or the Menu key opens the row's menu: "Kaldır" is refused during a run,
    // "Dosya Yöneticisinde Göster" asks the file manager.
    function test_rowMenu() {
        const view = makeView(3, "m")
        const menu = find(view, "rowMenu")
        mouseClick(rowAt(view, 2), 20, 20, Qt.RightButton)
        verify(menu.opened)
        compare([menu.itemAt(0).text, menu.itemAt(1).text],
                ["Kaldır", "Dosya Yöneticisinde Göster"])
        mouseClick(menu.itemAt(1))
        compare(testSupport.lastRevealed(), "m2.png")
        tryVerify(() => !menu.visible)

        testSupport.answerFolderDialog(testSupport.emptyFolder("menu"))
        view.model.chooseOutputFolder()
        verify(view.model.startProcessing())
        keyClick(Qt.Key_Menu)
        compare([menu.opened, menu.itemAt(0).enabled], [true, false])
        keyClick(Qt.Key_Escape)
        keyClick(Qt.Key_Delete)
        compare(names(view), "m0 m1 m2")
        tryCompare(view.model, "isProcessing", false, 20000)
        keyClick(Qt.Key_Up)
        keyClick(Qt.Key_Menu)
        mouseClick(menu.itemAt(0))
        compare(names(view), "m0 m2")
    }

    // A screen reader hears the name with the status, then the sizes and only a failure's
    // reason.
    function test_rowShowsTheFileAndItsStatus() {
        const view = makeView(1, "q")
        const row = rowAt(view, 0)
        compare([find(row, "rowFileName").text, labelOf(row, "rowPixelSize")],
                ["q0.png", "32 \u00d7 24"])
        const sizes = "32 \u00d7 24, " + labelOf(row, "rowByteSize")
        const badge = find(row, "statusBadge")
        const capsule = find(badge, "statusCapsule")
        for (const [status, text] of [["ready", "Hazır"], ["done", "Tamamlandı"],
                                      ["failed", "Hata"], ["processing", "İşleniyor"]]) {
            testSupport.setItemStatus(view.model, 0, status, "detail")
            compare(capsule.visible, status !== "processing", status)
            compare(status === "processing" ? find(badge, "processingText").text
                                            : labelOf(badge, "statusCapsule"), text)
            compare([row.Accessible.name, row.Accessible.description],
                    ["q0.png, " + text, sizes + (status === "failed" ? ", detail" : "")])
            if (status === "failed")
                compare(find(badge, "failureToolTip").text, "detail")
        }
    }

    function test_thumbnailsLoadAndUnreadableFilesKeepThePlaceholder() {
        const view = makeView(0, "")
        const broken = testSupport.sampleImage("broken 100% #1.jpg")
        view.model.addPaths([testSupport.sampleImage("good.jpg"), broken])
        // Replaced after joining the queue: the row can no longer read it.
        testSupport.textFile("broken 100% #1.jpg")
        const good = find(rowAt(view, 0), "thumbnail")
        const bad = find(rowAt(view, 1), "thumbnail")
        tryCompare(good, "status", Image.Ready, 10000)
        tryCompare(bad, "status", Image.Error, 10000)
        verify(good.visible && !bad.visible)
        // The unreadable row stops waiting: a photo sign, no spinner.
        verify(find(rowAt(view, 1), "thumbnailPlaceholder").visible)
        verify(!find(rowAt(view, 0), "thumbnailPlaceholder").visible)
    }
}
