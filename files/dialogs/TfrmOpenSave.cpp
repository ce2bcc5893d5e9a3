#include "TfrmOpenSave.h"

#include "DialogFrame.h"
#include "MessageIds.h"
#include "MessageTable.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QVBoxLayout>

namespace tc4dl {

namespace {

QString ownText(const char* key)
{
    return MessageTable::forWindow(QStringLiteral("TfrmOpenSave"))
        .textOrDefault(Section::Captions, QLatin1String(key));
}

} // namespace

TfrmOpenSave::TfrmOpenSave(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    setObjectName(QStringLiteral("frmOpenSave"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(10);
    for (const auto& [name, result] : { std::pair { "btnOpenSets", int(Ok) },
             std::pair { "btnOpenSingleSet", int(No) }, std::pair { "Button1", int(Cancel) } })
        layout->addWidget(addChoiceButton(name, result));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setChoice({ MessageTable::mainWindowText(mainmsg::kSaveFileCaption), QString(), QString(),
        QString() });
}

QPushButton* TfrmOpenSave::addChoiceButton(const char* name, int result)
{
    auto* button = new QPushButton(ownText(name), this);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(kButtonWidth, kButtonHeight);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    return button;
}

Prompter::Choice TfrmOpenSave::saveChoice()
{
    return { MessageTable::mainWindowText(mainmsg::kSaveFileCaption), ownText("btnOpenSets"),
        ownText("btnOpenSingleSet"), ownText("Button1") };
}

Prompter::Choice TfrmOpenSave::openChoice(const QLocale& locale)
{
    // Where the comma is the decimal separator, a comma-separated file cannot be read back.
    const bool commaDecimals = locale.decimalPoint() == QStringLiteral(",");
    return { MessageTable::mainWindowText(mainmsg::kOpenFileCaption),
        QStringLiteral("Öffne Datensatz-Sammeldatei(*.CH4)"),
        commaDecimals ? QStringLiteral("Öffne einzelne Datei(*.TXT,*.GHF)")
                      : QStringLiteral("Öffne einzelne Datei(*.TXT,*.CSV,*.GHF)"),
        ownText("Button1") };
}

void TfrmOpenSave::setChoice(const Prompter::Choice& choice)
{
    if (!choice.caption.isEmpty())
        setWindowTitle(choice.caption);
    const std::pair<const char*, const QString*> texts[] = { { "btnOpenSets", &choice.first },
        { "btnOpenSingleSet", &choice.second }, { "Button1", &choice.cancel } };
    for (const auto& [name, text] : texts) {
        auto* button = findChild<QPushButton*>(QLatin1String(name));
        if (!text->isEmpty())
            button->setText(*text);
        fitText(button);
    }
}

void TfrmOpenSave::fitText(QPushButton* button)
{
    // The buttons keep their designed size; a text too long for one is set a little smaller
    // rather than cut off.
    QFont font = this->font();
    const int room = kButtonWidth - 12;
    while (QFontMetrics(font).horizontalAdvance(button->text()) > room && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    button->setFont(font);
}

Prompter::Answer TfrmOpenSave::answerFor(int result)
{
    switch (result) {
    case Ok:
        return Prompter::Answer::Ok;
    case No:
        return Prompter::Answer::No;
    default:
        return Prompter::Answer::Cancel;
    }
}

void TfrmOpenSave::centreOnScreen()
{
    tc4dl::centreOnScreen(this);
}

} // namespace tc4dl
