import QtQuick
import QtTest
import Pictavo
import Pictavo.Shell

TestCase {
    id: testCase

    name: "Inspector"
    when: windowShown
    width: 1260
    height: 820

    Component {
        id: contentComponent
        ContentView { width: 1260; height: 820 }
    }

    function find(parent, name) {
        const item = findChild(parent, name)
        verify(item, name)
        return item
    }
    // A content view laid out, so that clicks land on the inspector's controls.
    function makeView() {
        const view = createTemporaryObject(contentComponent, testCase.parent)
        const pane = find(view, "inspectorPane")
        tryVerify(() => pane.height > 0)
        return view
    }
    // The titles of the shown preset cards, and of those carrying the current mark.
    function cards(view) {
        const grid = find(view, "presetGrid")
        const shown = [], marked = []
        for (let i = 0; i < grid.children.length; ++i) {
            const child = grid.children[i]
            if (child.title === undefined || !child.visible)
                continue
            shown.push(child.title)
            if (child.current && find(child, "currentMark").visible)
                marked.push(child.title)
        }
        return { shown: shown, marked: marked }
    }
    function typeInto(view, fieldName, text) {
        const field = find(view, fieldName).field
        field.forceActiveFocus()
        field.text = text
        keyClick(Qt.Key_Return)
    }

    function test_presetGridCollapsesAndMarksTheCurrentSize() {
        const view = makeView()
        const settings = view.model.settings
        let grid = cards(view)
        compare(grid.shown, ["Web Kare S", "Web Kare M", "Web Kare L", "Web Kare XL",
                             "Instagram Kare", "Instagram Dikey"])
        compare(grid.marked, [], "Full HD is current but not shown")
        compare(find(view, "expandPresetsButton").text, "Tüm Hazır Boyutlar")
        compare(find(view, "expandChevron").name, "chevron.down")

        mouseClick(find(view, "expandPresetsButton"))
        grid = cards(view)
        compare(grid.shown.length, 10)
        compare(grid.marked, ["Full HD"])
        compare(find(view, "expandPresetsButton").text, "Daha Az Göster")
        compare(find(view, "expandChevron").name, "chevron.up")
        compare(find(view, "preset-Instagram Dikey").detail, "1080 \u00d7 1350 \u00b7 4:5")
        compare(find(view, "preset-4K UHD").detail, "3840 \u00d7 2160 \u00b7 16:9")

        // Swapping marks the portrait preset; a square swap changes nothing.
        mouseClick(find(view, "swapButton"))
        compare([settings.width, settings.height], [1080, 1920])
        compare(cards(view).marked, ["Story / Reels"])
        compare(find(view, "widthField").field.text, "1.080")
        settings.width = 800
        settings.height = 800
        mouseClick(find(view, "swapButton"))
        compare([settings.width, settings.height], [800, 800])
        compare(cards(view).marked, ["Web Kare M"])
    }

    function test_applyingAPresetChangesOnlyTheSize() {
        const view = makeView()
        const settings = view.model.settings
        mouseClick(find(view, "segment-Doldur"))
        settings.format = "PNG"
        settings.quality = 0.7
        mouseClick(find(view, "preset-Instagram Dikey"))
        compare([settings.width, settings.height], [1080, 1350])
        compare(settings.mode, "Doldur")
        compare(settings.format, "PNG")
        compare(settings.quality, 0.7)
        compare(cards(view).marked, ["Instagram Dikey"])
    }

    function test_numberFieldsAcceptOnlyIntegers() {
        const view = makeView()
        const settings = view.model.settings
        mouseClick(find(view, "expandPresetsButton"))

        typeInto(view, "widthField", "3840")
        typeInto(view, "heightField", "2160")
        compare(cards(view).marked, ["4K UHD"])
        typeInto(view, "widthField", "3841")
        compare(settings.width, 3841)
        compare(cards(view).marked, [])

        typeInto(view, "widthField", "abc")
        compare(settings.width, 3841)
        compare(find(view, "widthField").field.text, "3.841")
        typeInto(view, "widthField", "12.5")
        compare(settings.width, 3841)
        typeInto(view, "widthField", "0")
        compare(settings.width, 0)
        typeInto(view, "heightField", "-20")
        compare(settings.height, -20)
    }

    function test_thousandsAreGroupedTheTurkishWay() {
        const view = makeView()
        compare(find(view, "widthField").field.text, "1.920")
        typeInto(view, "heightField", "2.160")
        compare(view.model.settings.height, 2160)
        compare(find(view, "heightField").field.text, "2.160")
        // A comma is the decimal sign here, so this is not a whole number.
        typeInto(view, "heightField", "1,080")
        compare(view.model.settings.height, 2160)
    }

    function test_qualityBlockFollowsTheFormat() {
        const view = makeView()
        const settings = view.model.settings
        const block = find(view, "qualityBlock")
        const label = find(view, "qualityLabel")
        compare(label.text, "%90")
        settings.quality = 0.57
        compare(label.text, "%56")
        settings.quality = 0.4
        compare(label.text, "%40")
        settings.quality = 1.0
        compare(label.text, "%100")
        settings.quality = 0.63

        const expected = { "Orijinali Koru": true, "JPEG": true, "PNG": false, "HEIC": true,
                           "TIFF": false, "WebP": true, "AVIF": true }
        compare(find(view, "formatPicker").options.length, 7)
        for (const format of settings.formats) {
            find(view, "formatPicker").picked(format)
            compare(block.visible, expected[format], format)
            compare(settings.quality, 0.63, format)
        }
        compare(find(view, "qualitySlider").value, 0.63)
    }

    function test_namePreviewAndFolderLine() {
        const view = makeView()
        const settings = view.model.settings
        const group = find(view, "namingGroup")
        verify(!group.expanded)
        verify(!find(view, "namePreview").visible)
        find(group, "disclosureHeader").forceActiveFocus()
        keyClick(Qt.Key_Space)
        verify(find(view, "namePreview").visible)

        settings.format = "JPEG"
        compare(find(view, "namePreview").text, "ornek_resized.jpg")
        settings.format = "Orijinali Koru"
        compare(find(view, "namePreview").text, "ornek_resized.orijinal")
        find(view, "prefixField").forceActiveFocus()
        keyClick(Qt.Key_W); keyClick(Qt.Key_E); keyClick(Qt.Key_B); keyClick(Qt.Key_Underscore)
        compare(settings.prefix, "web_")
        settings.suffix = ""
        settings.format = "PNG"
        compare(find(view, "namePreview").text, "web_ornek.png")
        settings.format = "WebP"
        compare(find(view, "namePreview").text, "web_ornek.webp")

        const folderText = find(view, "folderText")
        const folder = testSupport.emptyFolder("Çıktı klasörü")
        testSupport.answerFolderDialog(folder)
        view.model.chooseOutputFolder()
        compare(folderText.text, folder)
        compare(find(view, "folderSymbol").name, "folder.fill")
        testSupport.answerFolderDialog("")
        mouseClick(find(view, "chooseFolderButton"))
        compare(folderText.text, folder, "a cancelled choice keeps the folder")

        const keepFolders = find(view, "keepFoldersOption")
        compare([keepFolders.title, keepFolders.explanation],
                ["Klasör yapısını koru", "Eklenen klasörlerin alt klasörleri çıktıda da korunur"])
        verify(!settings.keepFolderStructure && !keepFolders.toggle.checked)
        keepFolders.toggle.forceActiveFocus()
        keyClick(Qt.Key_Space)
        verify(settings.keepFolderStructure && keepFolders.toggle.checked)
        keyClick(Qt.Key_Space)
        verify(!settings.keepFolderStructure)
    }

    function test_noFolderYet() {
        testSupport.forgetStoredFolder()
        const view = makeView()
        compare(find(view, "folderText").text, "Henüz klasör seçilmedi")
        compare(find(view, "folderSymbol").name, "folder.badge.questionmark")
    }

    function test_paneIsInertDuringARun() {
        const view = makeView()
        const settings = view.model.settings
        const paths = []
        for (let i = 0; i < 4; ++i)
            paths.push(testSupport.sampleImage("inert-" + i + ".png"))
        view.model.addPaths(paths)
        testSupport.answerFolderDialog(testSupport.emptyFolder("inert"))
        view.model.chooseOutputFolder()
        view.model.startProcessing()
        verify(view.model.isProcessing)
        verify(!find(view, "inspectorPane").enabled)

        const calls = testSupport.folderDialogCalls()
        mouseClick(find(view, "chooseFolderButton"))
        mouseClick(find(view, "preset-Web Kare S"))
        mouseClick(find(view, "swapButton"))
        mouseClick(find(view, "segment-Esnet"))
        compare(testSupport.folderDialogCalls(), calls)
        compare([settings.width, settings.height], [1920, 1080])
        compare(settings.mode, "Sığdır")

        tryCompare(view.model, "isProcessing", false, 20000)
        verify(find(view, "inspectorPane").enabled)
        mouseClick(find(view, "segment-Esnet"))
        compare(settings.mode, "Esnet")
    }

    function test_keyboardReachesAndOperatesTheControls() {
        const view = makeView()
        const settings = view.model.settings
        const width = find(view, "widthField").field
        width.forceActiveFocus()
        keyClick(Qt.Key_Tab)
        verify(find(view, "swapButton").activeFocus)
        keyClick(Qt.Key_Space)
        compare([settings.width, settings.height], [1080, 1920])
        keyClick(Qt.Key_Tab)
        verify(find(view, "heightField").field.activeFocus)
        keyClick(Qt.Key_Tab)
        verify(find(view, "preset-Web Kare S").activeFocus)
        keyClick(Qt.Key_Space)
        compare([settings.width, settings.height], [400, 400])

        find(view, "upscalingOption").toggle.forceActiveFocus()
        keyClick(Qt.Key_Space)
        verify(settings.preventUpscaling)
        find(view, "qualitySlider").forceActiveFocus()
        keyClick(Qt.Key_Left)
        verify(settings.quality < 0.9)
    }
}
