#include "TfrmErr.h"

#include "MessageTable.h"
#include "SmallDialog.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace tc4dl {

TfrmErr::TfrmErr(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    // A question between two attempts: it need not float above other programs.
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
    setObjectName(QStringLiteral("frmErr"));
    setWindowTitle(QStringLiteral("Error Message"));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    setFont(font);
    setFixedSize(346, 97);

    messageLabel = new QLabel(this);
    messageLabel->setObjectName(QStringLiteral("Label1"));
    messageLabel->setGeometry(8, 0, 330, 49);
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setWordWrap(true);
    messageLabel->setTextFormat(Qt::PlainText);

    tryAgainButton
        = addButton("Button2", QStringLiteral("Try Again"), QRect(16, 64, 73, 25), TryAgain);
    fixErrorButton = addButton(
        "Button1", QStringLiteral("Fixed the error "), QRect(104, 64, 105, 25), FixError);
    cancelButton = addButton("Button3", QStringLiteral("Cancel"), QRect(224, 64, 105, 25), Cancel);
    tryAgainButton->setDefault(true);

    MessageTable::forWindow(QStringLiteral("TfrmErr")).applyTo(this);
    fitButtons();
    centreOnScreen(this);
}

void TfrmErr::fitButtons()
{
    // The designed row holds the English words; where the language in use needs more room,
    // each button takes the width its style asks for and the row is centred, always in the
    // same order. A row that would still be too wide shares the dialog's width evenly.
    constexpr int kGap = 8, kMargin = 4;
    const QList<QPushButton*> row { tryAgainButton, fixErrorButton, cancelButton };
    const int count = int(row.size());
    bool fits = true;
    int total = kGap * (count - 1);
    for (QPushButton* button : row) {
        fits = fits && button->sizeHint().width() <= button->width();
        total += button->sizeHint().width();
    }
    if (fits)
        return;
    const bool even = total > width() - 2 * kMargin;
    const int evenWidth = (width() - 2 * kMargin - kGap * (count - 1)) / count;
    int x = even ? kMargin : (width() - total) / 2;
    for (QPushButton* button : row) {
        const int w = even ? evenWidth : button->sizeHint().width();
        button->setGeometry(x, button->y(), w, button->height());
        x += w + kGap;
    }
}

QPushButton* TfrmErr::addButton(const char* name, const QString& text, QRect geometry, int result)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    return button;
}

void TfrmErr::setMessage(const QString& text)
{
    messageLabel->setText(text);
}

QString TfrmErr::message() const
{
    return messageLabel->text();
}

void TfrmErr::setFixOffered(bool offered)
{
    fixErrorButton->setVisible(offered);
}

bool TfrmErr::fixOffered() const
{
    return !fixErrorButton->isHidden();
}

} // namespace tc4dl
