#include "IntervalInput.h"

namespace tc4dl {

namespace {

// The value and BCD byte of one or two decimal digits; nothing for any other text.
std::optional<std::pair<int, quint8>> twoDigits(const QString& text)
{
    if (text.isEmpty() || text.size() > 2)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    const int tens = text.size() == 2 ? text[0].unicode() - '0' : 0;
    const int units = text.back().unicode() - '0';
    return std::pair { value, static_cast<quint8>(tens << 4 | units) };
}

} // namespace

std::optional<IntervalSetting> parseIntervalInput(const QString& minutes, const QString& seconds)
{
    const auto m = twoDigits(minutes);
    const auto s = twoDigits(seconds);
    if (!m || !s || m->first > 60 || s->first > 60 || (m->first == 0 && s->first == 0))
        return std::nullopt;
    return IntervalSetting { m->first, s->first, m->second, s->second };
}

} // namespace tc4dl
