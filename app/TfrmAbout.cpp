#include "TfrmAbout.h"

#include "DialogFrame.h"
#include "MessageTable.h"
#include "SmallDialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tc4dl {

TfrmAbout::TfrmAbout(Mode mode, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags | (mode == Mode::Splash ? Qt::SplashScreen : Qt::Dialog))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QString());
    setFixedSize(311, 95);
    setAttribute(Qt::WA_DeleteOnClose, mode == Mode::About);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setPixmap(QGuiApplication::windowIcon().pixmap(48, 48));
    icon->setFixedSize(52, 52);

    m_product = new QLabel(this);
    m_product->setObjectName(QStringLiteral("lblProduct"));
    QFont bold = m_product->font();
    bold.setBold(true);
    m_product->setFont(bold);
    m_versionCaption = new QLabel(this);
    m_versionCaption->setObjectName(QStringLiteral("lblVersionCaption"));
    m_version = new QLabel(programVersion(), this);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_ok = new QPushButton(this);
    m_ok->setObjectName(QStringLiteral("BitBtn1"));
    m_ok->setDefault(true);
    m_ok->setVisible(mode == Mode::About);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    // Icon on the left; the product name across the top, the version and OK below it.
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(m_versionCaption);
    versionRow->addWidget(m_version);
    versionRow->addStretch();
    versionRow->addWidget(m_ok);
    auto* texts = new QVBoxLayout;
    texts->addWidget(m_product);
    texts->addStretch();
    texts->addLayout(versionRow);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 10, 8);
    row->setSpacing(10);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);

    MessageTable::forWindow(QStringLiteral("TfrmAbout")).applyTo(this);
    setBlankTitle(this);
}

QString TfrmAbout::programVersion()
{
    return QStringLiteral(TC4DL_VERSION);
}

void TfrmAbout::centreOnScreen()
{
    tc4dl::centreOnScreen(this);
}

} // namespace tc4dl
