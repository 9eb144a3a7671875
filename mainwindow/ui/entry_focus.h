#pragma once
// Closing an entry over a window. The keyboard commands of a window are read by the window itself, and
// an edit that is hidden while it holds the keyboard focus keeps it: it then swallows the letters,
// digits and arrows of the key table, and with every tool button unfocusable nothing takes the focus
// back. Every edit, and every panel holding one, is therefore hidden through this function.

class QWidget;

namespace calidarix {

// Hides `entry`; when the keyboard focus is in it, the focus goes back to its window first.
void HideEntry(QWidget *entry);

} // namespace calidarix
