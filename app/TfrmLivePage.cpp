#include "TfrmLivePage.h"

#include "DialogFrame.h"
#include "PageAddress.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tc4dl {

QImage qrImage(const QByteArray& text, int scale)
{
    const std::optional<live::QrCode> code = live::QrCode::encode(text);
    if (!code)
        return {};
    constexpr int kQuiet = 4;
    const int modules = code->size() + 2 * kQuiet;
    QImage image(modules * scale, modules * scale, QImage::Format_Mono);
    image.fill(1); // light
    for (int y = 0; y < code->size(); ++y)
        for (int x = 0; x < code->size(); ++x) {
            if (!code->dark(x, y))
                continue;
            for (int dy = 0; dy < scale; ++dy)
                for (int dx = 0; dx < scale; ++dx)
                    image.setPixel((x + kQuiet) * scale + dx, (y + kQuiet) * scale + dy, 0);
        }
    return image;
}

TfrmLivePage::TfrmLivePage(const LivePageSettings& settings, Apply apply, QWidget* parent)
    : QDialog(parent),
      m_texts(MessageTable::forWindow(QStringLiteral("TfrmLivePage"))),
      m_apply(std::move(apply))
{
    setObjectName(QStringLiteral("TfrmLivePage"));
    m_on = new QCheckBox(this);
    m_on->setObjectName(QStringLiteral("chkOn"));
    m_on->setChecked(settings.on);
    m_address = new QLineEdit(settings.address, this);
    m_address->setObjectName(QStringLiteral("edAddress"));
    m_address->setMaxLength(64);
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("edPort"));
    m_port->setRange(1, 65535);
    m_port->setValue(settings.port);
    auto* addressLabel = new QLabel(this);
    addressLabel->setObjectName(QStringLiteral("lblAddress"));
    auto* portLabel = new QLabel(this);
    portLabel->setObjectName(QStringLiteral("lblPort"));
    auto* note = new QLabel(this);
    note->setObjectName(QStringLiteral("lblAddressNote"));
    note->setWordWrap(true);
    auto* open = new QLabel(this);
    open->setObjectName(QStringLiteral("lblOpen"));
    m_urls = new QLabel(this);
    m_urls->setObjectName(QStringLiteral("lblUrls"));
    // One address a line, never broken at its "?": a person copies it whole.
    m_urls->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_code = new QLabel(this);
    m_code->setObjectName(QStringLiteral("imgCode"));
    m_code->setAlignment(Qt::AlignCenter);

    auto* form = new QFormLayout;
    form->addRow(addressLabel, m_address);
    form->addRow(portLabel, m_port);

    QDialogButtonBox* buttons = okCancelButtons(this);
    QPushButton* applyButton = buttons->addButton(QDialogButtonBox::Apply);
    applyButton->setObjectName(QStringLiteral("btnApply"));
    connect(applyButton, &QPushButton::clicked, this, [this] { (void)applyNow(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_on);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(open);
    layout->addWidget(m_urls);
    layout->addWidget(m_code);
    layout->addWidget(buttons);
    m_texts.applyTo(this);
    setMinimumWidth(460);
    showAddresses({});
}

LivePageSettings TfrmLivePage::entered() const
{
    LivePageSettings s;
    s.on = m_on->isChecked();
    s.address = m_address->text().trimmed();
    s.port = m_port->value();
    return s;
}

void TfrmLivePage::showAddresses(const QStringList& urls)
{
    if (urls.isEmpty()) {
        m_urls->setText(m_texts.getTextOrDefault(QStringLiteral("IDS_4")));
        m_code->clear();
        m_code->setMinimumSize(0, 0);
        return;
    }
    m_urls->setText(urls.join(u'\n'));
    // The first is the one for a phone: pageUrls puts this computer's own loopback last.
    const QImage code = qrImage(urls.first().toUtf8(), 4);
    m_code->setPixmap(code.isNull() ? QPixmap() : QPixmap::fromImage(code));
    // Whole, quiet zone included, or a camera cannot read it: the dialog grows to fit.
    m_code->setMinimumSize(code.size());
    adjustSize();
}

bool TfrmLivePage::applyNow()
{
    return m_apply(entered());
}

void TfrmLivePage::accept()
{
    if (applyNow())
        QDialog::accept();
}

} // namespace tc4dl
