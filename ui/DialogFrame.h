#pragma once

#include <Qt>

class QWidget;

namespace tc4dl {

// The frame of the program's small dialogs: fixed size, above the other windows, a title bar
// with only a close box.
constexpr Qt::WindowFlags kFixedDialogFlags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint
    | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
    | Qt::WindowCloseButtonHint;

// Places the top-level `window`, frame included, in the middle of the primary screen's
// available area, after letting it take its size.
void centreOnScreen(QWidget* window);

} // namespace tc4dl
