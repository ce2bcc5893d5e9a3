#pragma once

#include <QString>

namespace tc4dl::alarm {

// Where an alarm goes beyond the window: a command started for each raising and clearing and a
// web address each one is POSTed to as JSON. Neither is a secret, so both are kept in the
// Settings with the channels; a web address that carries a password is not kept at all.
struct AlarmOutlets {
    static constexpr qsizetype kMaxLength = 2048;
    QString command; // empty: none
    QString webhook; // empty: none
    bool operator==(const AlarmOutlets&) const = default;
};

enum class WebhookProblem { None, NotWeb, Password, TooLong };

// What is wrong with `text` as the web address an alarm is POSTed to: it must be an http:// or
// https:// address with a host, and it may not carry a password ("user:pass@"): the Settings
// are no place for one. Empty text is no web address, and nothing is wrong with it.
[[nodiscard]] WebhookProblem webhookProblem(const QString& text);

} // namespace tc4dl::alarm
