#include "ReportTexts.h"

#include "DateTimeSerial.h"
#include "GraphStatistics.h"

#include <cmath>

namespace tc4dl::report {

ReportTexts::ReportTexts(Language language, const QLocale& locale)
    : m_table(MessageTable::parse(MessageTable::storedForm(QStringLiteral("Report")), language)
                  .value_or(MessageTable {})),
      m_locale(locale)
{
    m_locale.setNumberOptions(QLocale::OmitGroupSeparator);
}

QString ReportTexts::text(const char* id) const
{
    return m_table.getTextOrDefault(QString::fromLatin1(id));
}

QString ReportTexts::value(double v) const
{
    return chart::fixedText(v, 1, m_locale);
}

QString ReportTexts::shortest(double v) const
{
    return m_locale.toString(v, 'f', QLocale::FloatingPointShortest);
}

QString ReportTexts::dateTime(double serial) const
{
    // The locale's short date, but with the whole year: a record outlives the century's
    // two digits.
    QString date = m_locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy")))
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    const QDateTime at = fromDateTimeSerial(serial);
    return m_locale.toString(at.date(), date) + QLatin1Char(' ')
        + m_locale.toString(at.time(), longTimeFormat(m_locale));
}

QString ReportTexts::timeOrDateTime(double serial, double sameDayAs) const
{
    const QDateTime at = fromDateTimeSerial(serial);
    if (at.date() != fromDateTimeSerial(sameDayAs).date())
        return dateTime(serial);
    return m_locale.toString(at.time(), longTimeFormat(m_locale));
}

QString ReportTexts::duration(double seconds) const
{
    if (!std::isfinite(seconds) || seconds < 0.0)
        seconds = 0.0;
    const auto total = static_cast<qint64>(std::llround(seconds));
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

QString ReportTexts::unitSymbol(std::optional<bool> celsius)
{
    if (!celsius)
        return {};
    return *celsius ? QStringLiteral("°C") : QStringLiteral("°F");
}

} // namespace tc4dl::report
