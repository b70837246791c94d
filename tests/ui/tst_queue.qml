import QtQuick
import QtTest
import Pictavo

TestCase {
    id: testCase

    name: "Queue"
    when: windowShown
    width: 1260
    height: 820

    Component {
        id: contentComponent
        ContentView { width: 1260; height: 820 }
    }

    function makeView(fileCount) {
        const view = createTemporaryObject(contentComponent, testCase.parent)
        const paths = []
        for (let i = 0; i < fileCount; ++i)
            paths.push(testSupport.sampleImage("q" + i + ".png"))
        if (paths.length > 0)
            view.model.addPaths(paths)
        return view
    }

    function rowAt(view, index) {
        const list = findChild(view, "queueListView")
        tryVerify(() => list.itemAtIndex(index) !== null, 2000)
        return list.itemAtIndex(index)
    }

    function badgeText(view, badgeName) {
        return findChild(findChild(view, badgeName), "labelText").text
    }

    function setStatuses(view, statuses) {
        for (let i = 0; i < statuses.length; ++i)
            testSupport.setItemStatus(view.model, i, statuses[i], statuses[i] === "failed"
                                      ? "Görsel okunamadı" : "/out/" + i + ".png")
    }

    // The pane shows the drop zone exactly while the queue is empty.
    function test_emptyQueueShowsTheDropZoneOtherwiseTheList() {
        const view = makeView(0)
        const dropZone = findChild(view, "dropZone")
        const header = findChild(view, "queueHeader")
        const list = findChild(view, "queueList")
        verify(dropZone.visible)
        verify(!header.visible && !list.visible)

        view.model.addPaths([testSupport.sampleImage("one.jpg")])
        verify(!dropZone.visible)
        verify(header.visible && list.visible)

        view.model.clearAll()
        verify(dropZone.visible)
        verify(!header.visible && !list.visible)
    }

    function test_dropZoneFollowsTheDragHighlightAndOpensThePicker() {
        const view = makeView(0)
        const title = findChild(view, "dropZoneTitle")
        const symbol = findChild(view, "dropZoneSymbol")
        compare(title.text, "Fotoğrafları buraya bırak")
        compare(symbol.name, "photo.on.rectangle.angled")

        testSupport.dragEnter(view.Window.window, [testSupport.sampleImage("z.jpg")], Qt.point(800, 400))
        compare(title.text, "Bırak, gerisini ben hallederim")
        compare(symbol.name, "arrow.down.doc.fill")
        testSupport.dragLeave(view.Window.window)
        compare(title.text, "Fotoğrafları buraya bırak")
        compare(symbol.name, "photo.on.rectangle.angled")

        const button = findChild(view, "chooseImagesButton")
        compare(button.text, "Görselleri Seç")
        verify(button.width >= 180)
        const calls = testSupport.imageDialogCalls()
        testSupport.answerImageDialog([testSupport.sampleImage("picked.jpg")])
        mouseClick(button)
        compare(testSupport.imageDialogCalls(), calls + 1)
        compare(view.model.items.count, 1)
    }

    function test_headerCounts_data() {
        return [
            { tag: "all ready", statuses: ["ready", "ready", "ready", "ready"],
              ready: "4", done: 0, failed: 0 },
            { tag: "one processing is counted by none",
              statuses: ["processing", "ready", "ready", "ready"], ready: "3", done: 0, failed: 0 },
            { tag: "done and failed", statuses: ["done", "failed", "done", "ready"],
              ready: "1", done: 2, failed: 1 },
            { tag: "nothing ready", statuses: ["done", "done", "failed", "processing"],
              ready: "0", done: 2, failed: 1 },
        ]
    }

    function test_headerCounts(data) {
        const view = makeView(4)
        setStatuses(view, data.statuses)
        compare(findChild(view, "queueTitle").text, "4 görsel hazır")
        compare(findChild(view, "queueTotalSize").text, view.model.items.totalSizeText)
        // The ready badge stays, also at 0; the others only appear with something to count.
        verify(findChild(view, "readyCountBadge").visible)
        compare(badgeText(view, "readyCountBadge"), data.ready)
        compare(findChild(view, "doneCountBadge").visible, data.done > 0)
        compare(findChild(view, "failedCountBadge").visible, data.failed > 0)
        if (data.done > 0)
            compare(badgeText(view, "doneCountBadge"), String(data.done))
        if (data.failed > 0)
            compare(badgeText(view, "failedCountBadge"), String(data.failed))
        compare(findChild(view, "removeCompletedButton").visible, data.done > 0)
    }

    function test_removeCompletedLeavesFailedAndReadyRows() {
        const view = makeView(4)
        setStatuses(view, ["done", "failed", "done", "ready"])
        mouseClick(findChild(view, "removeCompletedButton"))
        compare(view.model.items.count, 2)
        compare(findChild(rowAt(view, 0), "rowFileName").text, "q1.png")
        compare(findChild(rowAt(view, 1), "rowFileName").text, "q3.png")
        verify(!findChild(view, "removeCompletedButton").visible)
        verify(!findChild(view, "doneCountBadge").visible)
        compare(findChild(view, "queueTitle").text, "2 görsel hazır")
    }

    function test_clearAllWaitsForTheRunAndKeepsTheMessage() {
        const view = makeView(3)
        const first = testSupport.sampleImage("q0.png")
        testSupport.answerFolderDialog(first.substring(0, first.lastIndexOf("/")) + "/out")
        const clear = findChild(view, "clearAllButton")
        view.model.startProcessing()
        verify(view.model.isProcessing)
        verify(!clear.enabled)
        tryCompare(view.model, "isProcessing", false, 30000)
        verify(clear.enabled)
        verify(view.model.hasLastMessage)
        const message = view.model.lastMessage

        mouseClick(clear)
        compare(view.model.items.count, 0)
        compare(view.model.lastMessage, message)
        verify(findChild(view, "dropZone").visible)
    }

    function test_rowShowsTheFileAndItsStatus() {
        const view = makeView(1)
        const row = rowAt(view, 0)
        compare(findChild(row, "rowFileName").text, "q0.png")
        compare(findChild(findChild(row, "rowPixelSize"), "labelText").text, "32 \u00d7 24")
        // The same formatter as the header: a one-item queue shows one text twice.
        compare(findChild(findChild(row, "rowByteSize"), "labelText").text,
                findChild(view, "queueTotalSize").text)

        const badge = findChild(row, "statusBadge")
        const capsule = findChild(badge, "statusCapsule")
        const expected = { "ready": "Hazır", "done": "Tamamlandı", "failed": "Hata" }
        // A screen reader hears the same in one line, and only a failure its reason.
        const spoken = "32 \u00d7 24, " + findChild(view, "queueTotalSize").text + ", "
        compare(row.Accessible.name, "q0.png")
        for (const status in expected) {
            testSupport.setItemStatus(view.model, 0, status, "detail")
            verify(capsule.visible)
            compare(findChild(capsule, "labelText").text, expected[status])
            compare(row.Accessible.description,
                    spoken + expected[status] + (status === "failed" ? ": detail" : ""))
        }
        testSupport.setItemStatus(view.model, 0, "processing")
        verify(!capsule.visible)
        verify(findChild(badge, "processingText").visible)
        compare(findChild(badge, "processingText").text, "İşleniyor")
        compare(row.Accessible.description, spoken + "İşleniyor")
    }

    function test_failedRowExplainsItselfOnHover() {
        const view = makeView(2)
        testSupport.setItemStatus(view.model, 1, "failed", "Çıktı oluşturulamadı")
        const badge = findChild(rowAt(view, 1), "statusBadge")
        const tip = findChild(badge, "failureToolTip")
        compare(tip.text, "Çıktı oluşturulamadı")
        verify(!tip.visible)
        mouseMove(badge, badge.width / 2, badge.height / 2)
        tryCompare(tip, "visible", true, 2000)
        mouseMove(view, 5, 5)
        tryCompare(tip, "visible", false, 2000)

        // A ready row has nothing to explain.
        const readyBadge = findChild(rowAt(view, 0), "statusBadge")
        mouseMove(readyBadge, readyBadge.width / 2, readyBadge.height / 2)
        wait(500)
        verify(!findChild(readyBadge, "failureToolTip").visible)
    }

    function test_thumbnailsLoadAndUnreadableFilesKeepThePlaceholder() {
        const view = makeView(0)
        const good = testSupport.sampleImage("good.jpg")
        const broken = testSupport.sampleImage("broken 100% #1.jpg")
        view.model.addPaths([good, broken])
        // Replaced after joining the queue: the row can no longer read it.
        testSupport.textFile("broken 100% #1.jpg")
        const goodThumbnail = findChild(rowAt(view, 0), "thumbnail")
        const brokenThumbnail = findChild(rowAt(view, 1), "thumbnail")
        tryCompare(goodThumbnail, "status", Image.Ready, 10000)
        tryCompare(brokenThumbnail, "status", Image.Error, 10000)
        verify(goodThumbnail.visible)
        verify(!brokenThumbnail.visible)
    }

    function test_dropOntoTheListReachesIntake() {
        const view = makeView(1)
        const list = findChild(view, "queueList")
        const target = findChild(view, "queueDropTarget")
        tryVerify(() => list.height > 100)
        const at = list.mapToItem(view, list.width / 2, list.height / 2)
        const files = [testSupport.sampleImage("l1.jpg"), testSupport.sampleImage("l2.webp")]
        testSupport.dragEnter(view.Window.window, files, at)
        verify(target.containsDrag)
        verify(view.model.isDropTargeted)
        verify(testSupport.drop(view.Window.window, at))
        verify(!view.model.isDropTargeted)
        compare(view.model.items.count, 3)
    }
}
