#pragma once

#include "DialogFrame.h"

#include <QWidget>

class QDialog;
class QDialogButtonBox;

namespace tc4dl {

// Gives `dialog` a title bar without a caption. An empty title would not do: Qt then shows
// the application's name there instead.
void setBlankTitle(QWidget* dialog);

// OK ("btnOK", the default) and Cancel ("btnCancel", its text from the message table) that
// accept and reject `dialog`.
QDialogButtonBox* okCancelButtons(QDialog* dialog);

} // namespace tc4dl
