#include "TfrmAnnoEdit.h"

#include "MessageTable.h"
#include "SmallDialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tc4dl {

TfrmAnnoEdit::TfrmAnnoEdit(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    setObjectName(QStringLiteral("frmAnnoEdit"));
    setWindowTitle(QString());
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("Edit1"));
    m_edit->setMinimumWidth(260);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addWidget(okCancelButtons(this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    MessageTable::forWindow(QStringLiteral("TfrmAnnoEdit")).applyTo(this);
    setBlankTitle(this);
    centreOnScreen(this);
}

QString TfrmAnnoEdit::text() const
{
    return m_edit->text();
}

} // namespace tc4dl
