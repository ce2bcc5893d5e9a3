#include "DialogFrame.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace tc4dl {

void frameAsDialog(QWidget& dialog, QWidget* owner)
{
    if ((dialog.windowFlags() & kFixedDialogFlags) != kFixedDialogFlags)
        dialog.setWindowFlags(kCloseOnlyDialogFlags);
    if (!owner)
        return;
    QWidget* ownerWindow = owner->window();
    if (ownerWindow == &dialog)
        return;
    dialog.winId(); // a native window to hang the owner on
    ownerWindow->winId();
    if (QWindow* handle = dialog.windowHandle())
        handle->setTransientParent(ownerWindow->windowHandle());
}

void centreOnScreen(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window->adjustSize();
        QRect r = window->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        window->move(r.topLeft());
    }
}

QDialogButtonBox* okCancelButtons(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace tc4dl
