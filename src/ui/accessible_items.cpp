#include "accessible_items.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QMetaMethod>
#include <QQuickItem>
#include <QQuickWindow>

namespace pictavo {
namespace {

constexpr const char* kExpandedProperty = "accessibleExpanded";

// The `Accessible` attached object of QML: it holds the item's name, description and role, and
// relays the press action to the item's handler. Its type is private to Qt Quick; it is the
// item's child.
QObject* attachedOf(const QObject* item)
{
    for (QObject* child : item->children()) {
        if (child->inherits("QQuickAccessibleAttached"))
            return child;
    }
    return nullptr;
}

bool isProgressBar(const QObject* item)
{
    return item->inherits("QQuickProgressBar");
}

bool isTextField(const QObject* item)
{
    return item->inherits("QQuickTextInput");
}

// A title of the menu bar, which Qt 6.4 calls a menu bar itself, over any role set in QML.
bool isMenuTitle(const QObject* item)
{
    return item->inherits("QQuickMenuBarItem");
}

// Relays the item's changes to the accessibility bus; lives as the item's child.
class ChangeRelay : public QObject {
    Q_OBJECT

public:
    explicit ChangeRelay(QQuickItem* item) : QObject(item), m_item(item)
    {
        relay(isProgressBar(item) ? "value" : kExpandedProperty,
              isProgressBar(item) ? "valueChanged()" : "expandedChanged()");
    }

private Q_SLOTS:
    void valueChanged()
    {
        QAccessibleValueChangeEvent event(m_item, m_item->property("value"));
        QAccessible::updateAccessibility(&event);
    }
    void expandedChanged()
    {
        QAccessible::State changed;
        changed.expanded = true;
        changed.collapsed = true;
        QAccessibleStateChangeEvent event(m_item, changed);
        QAccessible::updateAccessibility(&event);
    }

private:
    void relay(const char* property, const char* slot)
    {
        const QMetaObject* type = m_item->metaObject();
        const QMetaMethod signal = type->property(type->indexOfProperty(property)).notifySignal();
        const QMetaMethod receiver = metaObject()->method(metaObject()->indexOfSlot(slot));
        if (signal.isValid())
            connect(m_item, signal, this, receiver);
    }

    QQuickItem* m_item;
};

// A leaf of the tree: the item's own parts (label, track) are drawing, not further controls.
class ItemAccessible : public QAccessibleObject,
                       public QAccessibleActionInterface,
                       public QAccessibleValueInterface {
public:
    explicit ItemAccessible(QQuickItem* item) : QAccessibleObject(item)
    {
        if (isProgressBar(item) || item->property(kExpandedProperty).isValid())
            new ChangeRelay(item);
    }

    QQuickItem* item() const { return static_cast<QQuickItem*>(object()); }

    QWindow* window() const override { return item()->window(); }
    // The nearest enclosing item in the tree, or the window at the top.
    QAccessibleInterface* parent() const override
    {
        QQuickWindow* window = item()->window();
        for (QQuickItem* above = item()->parentItem(); above; above = above->parentItem()) {
            if (window && above == window->contentItem())
                return QAccessible::queryAccessibleInterface(window);
            if (QAccessibleInterface* found = QAccessible::queryAccessibleInterface(above))
                return found;
        }
        return nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text kind) const override
    {
        const QObject* attached = attachedOf(item());
        if (!attached)
            return {};
        if (kind == QAccessible::Name)
            return attached->property("name").toString();
        if (kind == QAccessible::Description)
            return attached->property("description").toString();
        return {};
    }
    QRect rect() const override
    {
        const QQuickItem* it = item();
        if (!it->window() || !it->isVisible())
            return {};
        const QPoint topLeft = it->mapToScene(QPointF(0, 0)).toPoint();
        return {it->window()->mapToGlobal(topLeft), it->size().toSize()};
    }
    QAccessible::Role role() const override
    {
        if (isProgressBar(item()))
            return QAccessible::ProgressBar;
        if (isTextField(item()))
            return QAccessible::EditableText;
        if (isMenuTitle(item()))
            return QAccessible::PopupMenu;
        const QObject* attached = attachedOf(item());
        const int role = attached ? attached->property("role").toInt() : 0;
        return role != QAccessible::NoRole ? QAccessible::Role(role) : QAccessible::Button;
    }
    QAccessible::State state() const override
    {
        const QQuickItem* it = item();
        const QWindow* window = it->window();
        QAccessible::State state;
        const QRect area = rect();
        if (area.isEmpty() || !window->isVisible() || qFuzzyIsNull(it->opacity()))
            state.invisible = true;
        else if (!QRect(window->mapToGlobal(QPoint()), window->size()).intersects(area))
            state.offscreen = true;
        state.disabled = !it->isEnabled();
        state.focusable = it->activeFocusOnTab();
        state.focused = it->hasActiveFocus();
        if (isTextField(it)) {
            state.editable = !it->property("readOnly").toBool();
            state.readOnly = !state.editable;
            state.selectableText = true;
        }
        const QVariant expanded = it->property(kExpandedProperty);
        if (expanded.isValid()) {
            state.expandable = true;
            state.expanded = expanded.toBool();
            state.collapsed = !expanded.toBool();
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        if (type == QAccessible::ValueInterface && isProgressBar(item()))
            return static_cast<QAccessibleValueInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override
    {
        QStringList names;
        if (role() == QAccessible::Button || role() == QAccessible::PopupMenu)
            names << pressAction();
        if (item()->activeFocusOnTab())
            names << setFocusAction();
        return names;
    }
    // Press goes to the item's `Accessible.onPressAction`, as for every other control.
    void doAction(const QString& name) override
    {
        if (!item()->isEnabled())
            return;
        if (name == setFocusAction())
            item()->forceActiveFocus(Qt::OtherFocusReason);
        else if (name == pressAction() && attachedOf(item()))
            QMetaObject::invokeMethod(attachedOf(item()), "pressAction");
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    QVariant currentValue() const override { return item()->property("value"); }
    void setCurrentValue(const QVariant&) override {} // progress is the run's to set
    QVariant maximumValue() const override { return item()->property("to"); }
    QVariant minimumValue() const override { return item()->property("from"); }
    QVariant minimumStepSize() const override { return 0.0; }
};

// A one-line text field: Qt 6.4 gives screen readers its text but no way to edit it. An edit
// made through this interface counts as the user's own (`textEdited`), as typing would.
class TextFieldAccessible : public ItemAccessible,
                            public QAccessibleTextInterface,
                            public QAccessibleEditableTextInterface {
public:
    using ItemAccessible::ItemAccessible;

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return ItemAccessible::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? content() : ItemAccessible::text(kind);
    }
    void setText(QAccessible::Text kind, const QString& text) override
    {
        if (kind == QAccessible::Value)
            replaceText(0, characterCount(), text);
    }

    QString text(int start, int end) const override { return content().mid(start, end - start); }
    int characterCount() const override { return int(content().size()); }
    int cursorPosition() const override { return item()->property("cursorPosition").toInt(); }
    void setCursorPosition(int position) override
    {
        item()->setProperty("cursorPosition", position);
    }
    void selection(int index, int* start, int* end) const override
    {
        const bool any = index == 0 && selectionCount() == 1;
        *start = any ? item()->property("selectionStart").toInt() : 0;
        *end = any ? item()->property("selectionEnd").toInt() : 0;
    }
    int selectionCount() const override
    {
        return item()->property("selectionStart") != item()->property("selectionEnd") ? 1 : 0;
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { QMetaObject::invokeMethod(item(), "deselect"); }
    void setSelection(int, int start, int end) override
    {
        QMetaObject::invokeMethod(item(), "select", Q_ARG(int, start), Q_ARG(int, end));
    }
    QRect characterRect(int offset) const override
    {
        if (!item()->window())
            return {};
        QRectF local;
        QMetaObject::invokeMethod(item(), "positionToRectangle", Q_RETURN_ARG(QRectF, local),
                                  Q_ARG(int, offset));
        const QPoint topLeft = item()->mapToScene(local.topLeft()).toPoint();
        return {item()->window()->mapToGlobal(topLeft), local.size().toSize()};
    }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = offset;
        *end = offset;
        return {};
    }

    void deleteText(int start, int end) override { replaceText(start, end, {}); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override
    {
        if (!item()->isEnabled() || item()->property("readOnly").toBool())
            return;
        QMetaObject::invokeMethod(item(), "remove", Q_ARG(int, start), Q_ARG(int, end));
        QMetaObject::invokeMethod(item(), "insert", Q_ARG(int, start), Q_ARG(QString, text));
        QMetaObject::invokeMethod(item(), "textEdited");
    }

private:
    QString content() const { return item()->property("text").toString(); }
};

// Asked with each class name of an object's type, the most derived first; answering there
// comes before Qt Quick's own answer, which is given for the QQuickItem base.
QAccessibleInterface* itemFactory(const QString& className, QObject* object)
{
    auto* item = qobject_cast<QQuickItem*>(object);
    if (!item || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    if (isTextField(item))
        return new TextFieldAccessible(item);
    if (isProgressBar(item) || isMenuTitle(item) || item->property(kExpandedProperty).isValid())
        return new ItemAccessible(item);
    return nullptr;
}

} // namespace

void installAccessibleItems()
{
    QAccessible::installFactory(itemFactory);
}

} // namespace pictavo

#include "accessible_items.moc"
