#pragma once

#include "DialogFrame.h"

#include <QWidget>

namespace tc4dl {

// Gives `dialog` a title bar without a caption. An empty title would not do: Qt then shows
// the application's name there instead.
void setBlankTitle(QWidget* dialog);

} // namespace tc4dl
