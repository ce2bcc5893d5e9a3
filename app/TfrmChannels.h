#pragma once

#include "Alarm.h"
#include "AlarmOutlets.h"
#include "MessageTable.h"

#include <QDialog>
#include <QLocale>

#include <array>

class QCheckBox;
class QLineEdit;

namespace tc4dl {

class Prompter;

// The channel settings: per channel a name, a high, a low and a rate limit each switched on or
// off, and the hysteresis; the alarm sound switch; the command every alarm starts and the web
// address it is POSTed to. Numbers are entered and shown in the locale
// (a decimal comma in German). OK checks everything and says plainly what is wrong; Cancel
// changes nothing.
class TfrmChannels final : public QDialog {
    Q_OBJECT
public:
    TfrmChannels(const alarm::ChannelSet& channels, bool sound, bool celsius, QLocale locale,
        Prompter& prompter, QWidget* parent = nullptr);

    // What the fields say, or the first thing wrong with them (`*error`, nothing returned).
    [[nodiscard]] std::optional<alarm::ChannelSet> entered(QString* error) const;
    [[nodiscard]] bool soundOn() const;
    // After OK: what was accepted.
    [[nodiscard]] const alarm::ChannelSet& channels() const { return m_accepted; }

    // The command and web address shown, and after OK the ones accepted.
    void setOutlets(const alarm::AlarmOutlets& outlets);
    [[nodiscard]] const alarm::AlarmOutlets& outlets() const { return m_acceptedOutlets; }
    // What the two fields say, or the first thing wrong with them.
    [[nodiscard]] std::optional<alarm::AlarmOutlets> enteredOutlets(QString* error) const;
    [[nodiscard]] QLineEdit* commandField() const { return m_command; }
    [[nodiscard]] QLineEdit* webhookField() const { return m_webhook; }

    // OK: accepted only when everything is valid; otherwise the reason is said and it stays open.
    void accept() override;

    struct Row {
        QLineEdit* name = nullptr;
        QCheckBox* highOn = nullptr;
        QLineEdit* high = nullptr;
        QCheckBox* lowOn = nullptr;
        QLineEdit* low = nullptr;
        QCheckBox* rateOn = nullptr;
        QLineEdit* rate = nullptr;
        QLineEdit* hysteresis = nullptr;
    };
    [[nodiscard]] const Row& row(int channel) const
    {
        return m_rows[static_cast<std::size_t>(channel)];
    }

private:
    QString text(const char* id) const { return m_texts.getTextOrDefault(QLatin1String(id)); }

    MessageTable m_texts;
    QLocale m_locale;
    Prompter& m_prompter;
    alarm::ChannelSet m_initial;
    alarm::ChannelSet m_accepted;
    std::array<Row, alarm::kChannels> m_rows;
    QCheckBox* m_sound = nullptr;
    QLineEdit* m_command = nullptr;
    QLineEdit* m_webhook = nullptr;
    alarm::AlarmOutlets m_acceptedOutlets;
};

} // namespace tc4dl
