#include "TfrmChannels.h"

#include "AlarmActions.h"
#include "DialogFrame.h"
#include "Prompter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace tc4dl {

namespace {
// Far beyond any thermocouple in either unit, yet a number the Settings keep in tenths.
constexpr double kLargestLimit = 10000.0;

QLabel* header(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}
} // namespace

TfrmChannels::TfrmChannels(const alarm::ChannelSet& channels, bool sound, bool celsius,
    QLocale locale, Prompter& prompter, QWidget* parent)
    : QDialog(parent),
      m_texts(MessageTable::forWindow(QStringLiteral("TfrmChannels"))),
      m_locale(std::move(locale)),
      m_prompter(prompter),
      m_initial(channels),
      m_accepted(channels)
{
    setObjectName(QStringLiteral("TfrmChannels"));
    auto* grid = new QGridLayout;
    grid->addWidget(header("lblChannel", this), 0, 0);
    grid->addWidget(header("lblName", this), 0, 1);
    grid->addWidget(header("lblHigh", this), 0, 2, 1, 2);
    grid->addWidget(header("lblLow", this), 0, 4, 1, 2);
    grid->addWidget(header("lblRate", this), 0, 6, 1, 3);
    grid->addWidget(header("lblHysteresis", this), 0, 9);

    const QString degree = celsius ? QStringLiteral("\u00B0C") : QStringLiteral("\u00B0F");
    const auto number = [this](double v) { return m_locale.toString(v, 'f', 1); };
    const auto edit = [this](const QString& name, const QString& value) {
        auto* e = new QLineEdit(value, this);
        e->setObjectName(name);
        e->setMaximumWidth(80);
        return e;
    };
    const auto check = [this](const QString& name, bool on) {
        auto* c = new QCheckBox(this);
        c->setObjectName(name);
        c->setChecked(on);
        return c;
    };
    for (int c = 0; c < alarm::kChannels; ++c) {
        const alarm::ChannelSettings& s = channels[static_cast<std::size_t>(c)];
        Row& r = m_rows[static_cast<std::size_t>(c)];
        const QString n = QString::number(c + 1);
        const int line = c + 1;
        grid->addWidget(new QLabel(QStringLiteral("T") + n, this), line, 0);
        r.name = edit(QStringLiteral("edName") + n, s.name);
        r.name->setMaxLength(alarm::ChannelSettings::kMaxNameLength);
        r.name->setMaximumWidth(QWIDGETSIZE_MAX);
        r.name->setPlaceholderText(QStringLiteral("T") + n);
        r.highOn = check(QStringLiteral("chkHigh") + n, s.highOn);
        r.high = edit(QStringLiteral("edHigh") + n, number(s.high));
        r.lowOn = check(QStringLiteral("chkLow") + n, s.lowOn);
        r.low = edit(QStringLiteral("edLow") + n, number(s.low));
        r.rateOn = check(QStringLiteral("chkRate") + n, s.rateOn);
        r.rate = edit(QStringLiteral("edRate") + n, number(s.rate));
        r.hysteresis = edit(QStringLiteral("edHyst") + n, number(s.hysteresis));
        grid->addWidget(r.name, line, 1);
        grid->addWidget(r.highOn, line, 2);
        grid->addWidget(r.high, line, 3);
        grid->addWidget(r.lowOn, line, 4);
        grid->addWidget(r.low, line, 5);
        grid->addWidget(r.rateOn, line, 6);
        grid->addWidget(r.rate, line, 7);
        grid->addWidget(new QLabel(degree + QStringLiteral("/min"), this), line, 8);
        grid->addWidget(r.hysteresis, line, 9);
    }

    m_sound = check(QStringLiteral("chkSound"), sound);
    m_command = edit(QStringLiteral("edCommand"), QString());
    m_webhook = edit(QStringLiteral("edWebhook"), QString());
    for (QLineEdit* e : { m_command, m_webhook }) {
        e->setMaximumWidth(QWIDGETSIZE_MAX);
        e->setMaxLength(int(alarm::AlarmOutlets::kMaxLength));
    }
    m_webhook->setPlaceholderText(QStringLiteral("https://ntfy.sh/…"));
    auto* outlets = new QFormLayout;
    outlets->addRow(header("lblCommand", this), m_command);
    outlets->addRow(header("lblWebhook", this), m_webhook);
    QLabel* note = header("lblOutletsNote", this);
    note->setWordWrap(true);
    QDialogButtonBox* buttons = okCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_sound);
    layout->addLayout(outlets);
    layout->addWidget(note);
    layout->addWidget(buttons);
    m_texts.applyTo(this);
}

std::optional<alarm::ChannelSet> TfrmChannels::entered(QString* error) const
{
    alarm::ChannelSet out = m_initial;
    QString wrong;
    for (int c = 0; c < alarm::kChannels && wrong.isEmpty(); ++c) {
        const Row& r = m_rows[static_cast<std::size_t>(c)];
        alarm::ChannelSettings& s = out[static_cast<std::size_t>(c)];
        s.name = r.name->text().trimmed().left(alarm::ChannelSettings::kMaxNameLength);
        const QString who = s.name.isEmpty() ? QStringLiteral("T%1").arg(c + 1) : s.name;
        // A number that is switched off may stay as it is, even half typed; one that is on, and
        // the hysteresis, must be a number.
        const auto read = [&](QLineEdit* field, bool needed, double& value) {
            if (!wrong.isEmpty())
                return;
            bool ok = false;
            const double v = m_locale.toDouble(field->text().trimmed(), &ok);
            if (ok && std::isfinite(v)) {
                if (std::abs(v) > kLargestLimit && needed)
                    wrong = text("IDS_5").arg(who);
                else
                    value = v;
            } else if (needed) {
                wrong = text("IDS_1").arg(who, field->text());
            }
        };
        s.highOn = r.highOn->isChecked();
        s.lowOn = r.lowOn->isChecked();
        s.rateOn = r.rateOn->isChecked();
        read(r.high, s.highOn, s.high);
        read(r.low, s.lowOn, s.low);
        read(r.rate, s.rateOn, s.rate);
        read(r.hysteresis, true, s.hysteresis);
        if (!wrong.isEmpty())
            break;
        if (s.highOn && s.lowOn && !(s.low < s.high))
            wrong = text("IDS_2").arg(who);
        else if (s.rateOn && !(s.rate > 0.0))
            wrong = text("IDS_3").arg(who);
        else if (s.hysteresis < 0.0)
            wrong = text("IDS_4").arg(who);
        else if (s.hysteresis > kLargestLimit)
            wrong = text("IDS_5").arg(who);
    }
    if (!wrong.isEmpty()) {
        if (error)
            *error = wrong;
        return std::nullopt;
    }
    return out;
}

bool TfrmChannels::soundOn() const
{
    return m_sound->isChecked();
}

void TfrmChannels::setOutlets(const alarm::AlarmOutlets& outlets)
{
    m_command->setText(outlets.command);
    m_webhook->setText(outlets.webhook);
    m_acceptedOutlets = outlets;
}

std::optional<alarm::AlarmOutlets> TfrmChannels::enteredOutlets(QString* error) const
{
    alarm::AlarmOutlets out { m_command->text().trimmed(), m_webhook->text().trimmed() };
    QString wrong;
    if (out.command.size() > alarm::AlarmOutlets::kMaxLength)
        wrong = text("IDS_14");
    else if (!recorder::splitCommandWords(out.command))
        wrong = text("IDS_11");
    else {
        switch (alarm::webhookProblem(out.webhook)) {
        case alarm::WebhookProblem::None:
            break;
        case alarm::WebhookProblem::NotWeb:
            wrong = text("IDS_12");
            break;
        case alarm::WebhookProblem::Password:
            wrong = text("IDS_13");
            break;
        case alarm::WebhookProblem::TooLong:
            wrong = text("IDS_14");
            break;
        }
    }
    if (!wrong.isEmpty()) {
        if (error)
            *error = wrong;
        return std::nullopt;
    }
    return out;
}

void TfrmChannels::accept()
{
    QString error;
    const std::optional<alarm::ChannelSet> channels = entered(&error);
    const std::optional<alarm::AlarmOutlets> outlets
        = channels ? enteredOutlets(&error) : std::nullopt;
    if (!channels || !outlets) {
        m_prompter.ask(error, Prompter::Buttons::Ok, Prompter::Icon::Warning);
        return;
    }
    m_accepted = *channels;
    m_acceptedOutlets = *outlets;
    QDialog::accept();
}

} // namespace tc4dl
