import QtQuick
import QtTest
import Pictavo

// The window's content at its opening size, over a model on the fake platform services.
TestCase {
    id: testCase

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

    // A content view laid out, so that clicks land on its controls, with `count` small PNG
    // images named `prefix0.png`, `prefix1.png`, … in its queue.
    function makeView(count, prefix) {
        const view = createTemporaryObject(contentComponent, testCase.parent)
        const paths = []
        for (let i = 0; i < count; ++i)
            paths.push(testSupport.sampleImage(prefix + i + ".png"))
        view.model.addPaths(paths)
        tryVerify(() => find(view, "inspectorPane").height > 0)
        return view
    }

    // Clicks a control of the settings pane, scrolled into sight first as a user would.
    function clickInInspector(view, name) {
        const control = find(view, name)
        const flickable = find(view, "inspectorScroll").contentItem
        const top = control.mapToItem(flickable.contentItem, 0, 0).y
        flickable.contentY = Math.max(0, Math.min(top - 16, flickable.contentHeight - flickable.height))
        mouseClick(control)
    }
}
