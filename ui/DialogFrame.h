#pragma once

#include <Qt>

class QDialog;
class QDialogButtonBox;
class QWidget;

namespace tc4dl {

// The frame of the program's small dialogs: fixed size, above the other windows, a title bar
// with only a close box.
constexpr Qt::WindowFlags kFixedDialogFlags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint
    | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
    | Qt::WindowCloseButtonHint;

// The frame of every other dialog and message box: a dialog window with only a close box, so
// that a window manager offers neither minimize nor maximize (a minimized modal box would hide
// the whole program behind it).
constexpr Qt::WindowFlags kCloseOnlyDialogFlags
    = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// Gives the top-level `dialog`, before it is shown, the close-only dialog frame (unless it
// has its own fixed frame) and makes it transient for `owner`'s window, so that it stays
// above it and goes with it.
void frameAsDialog(QWidget& dialog, QWidget* owner);

// Places the top-level `window`, frame included, in the middle of the primary screen's
// available area, after letting it take its size.
void centreOnScreen(QWidget* window);

// OK ("btnOK", the default) and Cancel ("btnCancel", its text from the message table) that
// accept and reject `dialog`.
QDialogButtonBox* okCancelButtons(QDialog* dialog);

} // namespace tc4dl
