import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Pictavo.Shell

// A section whose header opens and closes it; closed when created.
ColumnLayout {
    id: root

    property string title
    property bool expanded: false
    default property alias content: body.data

    spacing: 0

    AbstractButton {
        id: header
        objectName: "disclosureHeader"
        Layout.fillWidth: true
        implicitHeight: 26
        opacity: enabled ? 1 : 0.3
        focusPolicy: Qt.StrongFocus
        Accessible.role: Accessible.Button
        Accessible.name: root.title
        Accessible.onPressAction: clicked()
        // Heard as expanded or collapsed (see accessible_items.h).
        readonly property bool accessibleExpanded: root.expanded
        onClicked: root.expanded = !root.expanded

        background: Rectangle {
            radius: 6
            color: "transparent"
            border.width: header.visualFocus ? 2 : 0
            border.color: PremiumPalette.accent
        }
        contentItem: Row {
            spacing: 6
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: "chevron.down"
                colour: Qt.rgba(1, 1, 1, 0.75)
                size: 12
                rotation: root.expanded ? 0 : -90
                Behavior on rotation {
                    enabled: !Motion.reduceMotion
                    NumberAnimation { duration: 150 }
                }
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: root.title
                font.pixelSize: 12
                font.weight: Font.DemiBold
                color: "white"
            }
        }
    }
    ColumnLayout {
        id: body
        objectName: "disclosureBody"
        Layout.fillWidth: true
        Layout.topMargin: 8
        visible: root.expanded
        spacing: 10
    }
}
