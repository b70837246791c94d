#pragma once

namespace pictavo {

// Makes screen readers hear what Qt 6.4's own interface for Qt Quick items leaves out: a
// progress bar's range and value (it has none), the expanded or collapsed state of an item
// that declares `property bool accessibleExpanded` (Qt Quick has no such state), the editing
// of a text field, and a menu bar's titles as menus (Qt 6.4 calls them menu bars).
// Process-wide; called once, in main, before the first window.
void installAccessibleItems();

} // namespace pictavo
