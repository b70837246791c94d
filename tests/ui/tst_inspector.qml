import QtQuick
import QtTest
import Pictavo

ContentTestCase {
    name: "Inspector"

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
        const view = makeView(0, "")
        const settings = view.model.settings
        const expand = find(view, "expandPresetsButton")
        compare(cards(view).shown, ["Web Kare S", "Web Kare M", "Web Kare L", "Web Kare XL",
                                    "Instagram Kare", "Instagram Dikey"])
        compare(cards(view).marked, [], "Full HD is current but not shown")
        compare(expand.text, "Tüm Hazır Boyutlar")

        mouseClick(expand)
        compare(cards(view).shown.length, 10)
        compare(cards(view).marked, ["Full HD"])
        compare(expand.text, "Daha Az Göster")
        typeInto(view, "widthField", "1921")
        compare(cards(view).marked, [])

        // Swapping, from the keyboard, marks the portrait preset.
        typeInto(view, "widthField", "1920")
        find(view, "widthField").field.forceActiveFocus()
        keyClick(Qt.Key_Tab)
        verify(find(view, "swapButton").activeFocus)
        keyClick(Qt.Key_Space)
        compare([settings.width, settings.height], [1080, 1920])
        compare(cards(view).marked, ["Story / Reels"])
        compare(find(view, "widthField").field.text, "1.080")

        // A preset changes only the size.
        settings.mode = "Doldur"
        settings.format = "PNG"
        settings.quality = 0.7
        mouseClick(find(view, "preset-Instagram Dikey"))
        compare([settings.width, settings.height, settings.mode, settings.format, settings.quality],
                [1080, 1350, "Doldur", "PNG", 0.7])
        compare(cards(view).marked, ["Instagram Dikey"])
    }

    function test_sizeFieldTakesWholeNumbers_data() {
        return [
            { tag: "plain", typed: "3841", value: 3841, shown: "3.841" },
            { tag: "grouped the Turkish way", typed: "2.160", value: 2160, shown: "2.160" },
            { tag: "letters", typed: "abc", value: 1920, shown: "1.920" },
            // A comma is the decimal sign here, so this is not a whole number.
            { tag: "decimal comma", typed: "1,080", value: 1920, shown: "1.920" },
        ]
    }

    function test_sizeFieldTakesWholeNumbers(data) {
        const view = makeView(0, "")
        typeInto(view, "widthField", data.typed)
        compare(view.model.settings.width, data.value)
        compare(find(view, "widthField").field.text, data.shown)
    }

    // Tab walks the whole pane, and each control it lands on is scrolled into sight.
    function test_focusScrollsIntoSight() {
        const view = makeView(0, "")
        const flickable = find(view, "inspectorScroll").contentItem
        const inPane = item => {
            for (let up = item; up; up = up.parent)
                if (up === flickable.contentItem)
                    return true
            return false
        }
        find(view, "widthField").field.forceActiveFocus()
        const reached = []
        for (let item = view.Window.activeFocusItem; inPane(item);
             item = view.Window.activeFocusItem) {
            const top = item.mapToItem(flickable, 0, 0).y
            verify(top >= 0 && top + item.height <= flickable.height, item + " in sight")
            reached.push(item.objectName || item.parent.objectName)
            keyClick(Qt.Key_Tab)
        }
        verify(reached.indexOf("chooseFolderButton") > 0, reached.join(", "))
        verify(reached.length > 12, reached.join(", "))
    }

    // Under a size limit each image gets its own quality: the slider gives way to a field in
    // kB, and a type without quality shows neither.
    function test_sizeLimitTakesThePlaceOfTheQuality() {
        const view = makeView(0, "")
        const settings = view.model.settings
        const shown = () => ["qualityBlock", "sizeLimitOption", "maxFileSizeField"].map(
                          name => find(view, name).visible)
        settings.format = "JPEG"
        compare(shown(), [true, true, false])
        find(view, "sizeLimitOption").toggle.forceActiveFocus()
        keyClick(Qt.Key_Space)
        compare(shown(), [false, true, true])
        typeInto(view, "maxFileSizeField", "1.500")
        compare([settings.limitFileSize, settings.maxFileSizeKB], [true, 1500])
        settings.format = "PNG"
        compare(shown(), [false, false, false])
    }

    function test_namingAndOutputFolder() {
        testSupport.forgetStoredFolder()
        const view = makeView(0, "")
        const settings = view.model.settings
        const folderLine = () => [find(view, "folderText").text, find(view, "folderSymbol").name]
        compare(folderLine(), ["Henüz klasör seçilmedi", "folder.badge.questionmark"])
        const folder = testSupport.emptyFolder("Çıktı klasörü")
        testSupport.answerFolderDialog(folder)
        clickInInspector(view, "chooseFolderButton")
        compare(folderLine(), [folder, "folder.fill"])

        // The naming group opens from the keyboard, and its preview follows what is typed.
        find(find(view, "namingGroup"), "disclosureHeader").forceActiveFocus()
        keyClick(Qt.Key_Space)
        settings.format = "PNG"
        find(view, "prefixField").forceActiveFocus()
        keyClick(Qt.Key_W); keyClick(Qt.Key_E); keyClick(Qt.Key_B); keyClick(Qt.Key_Underscore)
        verify(find(view, "namePreview").visible)
        compare(find(view, "namePreview").text, "web_ornek_resized.png")

        const keepFolders = find(view, "keepFoldersOption")
        compare([keepFolders.title, keepFolders.explanation],
                ["Klasör yapısını koru", "Eklenen klasörlerin alt klasörleri çıktıda da korunur."])
        // Each switch stores the state it shows, both ways.
        for (const [name, property] of [["keepFoldersOption", "keepFolderStructure"],
                                        ["metadataOption", "keepMetadata"],
                                        ["upscalingOption", "preventUpscaling"]]) {
            const toggle = find(view, name).toggle
            toggle.forceActiveFocus()
            for (const shown of [!toggle.checked, toggle.checked]) {
                keyClick(Qt.Key_Space)
                compare([toggle.checked, settings[property]], [shown, shown], name)
            }
        }
    }
}
