#pragma once

#include <QWidget>

class QDialog;
class QDialogButtonBox;

namespace tc4dl {

// The frame of the graph window's small dialogs: fixed size, on top, only a close box.
constexpr Qt::WindowFlags kSmallDialogFlags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint
    | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
    | Qt::WindowCloseButtonHint;

// Gives `dialog` a title bar without a caption. An empty title would not do: Qt then shows
// the application's name there instead.
void setBlankTitle(QWidget* dialog);

// Places `dialog` in the middle of the primary screen.
void centreDialog(QWidget* dialog);

// OK ("btnOK", the default) and Cancel ("btnCancel", its text from the message table) that
// accept and reject `dialog`.
QDialogButtonBox* okCancelButtons(QDialog* dialog);

} // namespace tc4dl
