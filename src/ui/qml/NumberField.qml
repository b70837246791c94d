import QtQuick
import QtQuick.Layouts
import Pictavo.Shell

// A caption over a field that shows an integer in the locale's digit grouping and writes back
// only text that reads as a whole integer (zero and negatives included), on Return or when
// the field loses focus. Anything else is dropped and the field shows the value again.
ColumnLayout {
    id: root

    property string caption
    property var value: 0
    property var locale: Qt.locale()
    readonly property alias field: field

    signal edited(var value)

    // Null when `text` is not exactly an integer in `locale` (grouping allowed).
    function parse(text) {
        const trimmed = text.trim()
        if (trimmed === "")
            return null
        let number
        try {
            number = Number.fromLocaleString(root.locale, trimmed)
        } catch (error) {
            return null
        }
        return Number.isSafeInteger(number) ? number : null
    }
    function formatted(number) {
        return Number(number).toLocaleString(root.locale, "f", 0)
    }
    function commit() {
        const number = parse(field.text)
        if (number !== null && number !== Number(root.value))
            root.edited(number)
        field.text = formatted(root.value)
    }

    spacing: 6

    onValueChanged: if (!field.activeFocus) field.text = formatted(value)
    onLocaleChanged: field.text = formatted(value)
    Component.onCompleted: field.text = formatted(value)

    Text {
        text: root.caption
        font.pixelSize: PremiumPalette.caption2Size
        font.weight: Font.DemiBold
        color: PremiumPalette.secondaryText
    }
    RoundedTextField {
        id: field
        Layout.fillWidth: true
        Layout.minimumWidth: 88
        placeholderText: root.caption
        inputMethodHints: Qt.ImhFormattedNumbersOnly
        Accessible.name: root.caption
        onEditingFinished: root.commit()
        onActiveFocusChanged: if (!activeFocus) root.commit()
    }
}
