import QtQuick
import QtQuick.Controls.Basic

// The base of every button of the window: Qt 6.4 lists the accessibility press action for
// buttons but does nothing on it, so the click is ours. Later, so that a button opening a modal
// dialog does not hold the screen reader's call meanwhile.
Button {
    Accessible.onPressAction: Qt.callLater(clicked)
}
