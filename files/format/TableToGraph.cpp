#include "TableToGraph.h"

#include "ChartModel.h"
#include "MeterValues.h"
#include "TextTableModel.h"

#include <charconv>

namespace tc4dl {

namespace {
QLocale strictNumbers(QLocale locale)
{
    // A group separator is not a decimal one: "1,5" under a point locale is no number.
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    return locale;
}
} // namespace

TableToGraph::TableToGraph(const QLocale& locale)
    : m_locale(strictNumbers(locale)),
      m_date(DateTimeFormat::dateFormat(locale), locale),
      m_shortDate(locale.dateFormat(QLocale::ShortFormat), locale),
      m_time(DateTimeFormat::timeFormat(locale), locale)
{
    const QString point = locale.decimalPoint();
    m_decimal = point.size() == 1 && point.at(0).unicode() < 0x80
        ? static_cast<char>(point.at(0).unicode())
        : 0;
}

std::optional<double> TableToGraph::rowTime(
    const TextTableModel& table, int row, QString* error) const
{
    // Straight from the file's bytes when the formats allow; the text way below reads what
    // that cannot, and words the error.
    const TextTable& cells = table.table();
    const QByteArrayView date = cells.rawCell(row, 0);
    const QByteArrayView time = cells.rawCell(row, 1);
    if (std::optional<double> fast = m_date.parseDateTimeSerial(date, time, m_time))
        return fast;
    if (m_date.readsBytes() && m_shortDate.format() != m_date.format())
        if (std::optional<double> fast = m_shortDate.parseDateTimeSerial(date, time, m_time))
            return fast;
    const QString text = table.cellText(row, 1) + u' ' + table.cellText(row, 2);
    std::optional<double> serial = m_date.parseDateTimeSerial(text, m_time);
    if (!serial && m_shortDate.format() != m_date.format())
        serial = m_shortDate.parseDateTimeSerial(text, m_time);
    if (!serial && error)
        *error = QStringLiteral("'%1' is not a valid date and time").arg(text);
    return serial;
}

std::optional<float> TableToGraph::value(const QString& text) const
{
    if (text == QLatin1String("OL"))
        return kNullValue;
    bool ok = false;
    const double v = m_locale.toDouble(text, &ok);
    if (!ok)
        return std::nullopt;
    return static_cast<float>(v);
}

std::optional<float> TableToGraph::rawValue(QByteArrayView raw) const
{
    // Plain numbers (a sign, digits, one decimal separator) straight from the file's bytes;
    // anything else goes through the locale, which gives the same result for these.
    char buffer[40];
    bool plain = raw.size() > 0 && raw.size() < qsizetype(sizeof buffer) && m_decimal != 0;
    int points = 0;
    for (qsizetype k = 0; plain && k < raw.size(); ++k) {
        const char c = raw[k];
        if (c >= '0' && c <= '9')
            buffer[k] = c;
        else if (c == m_decimal && ++points == 1)
            buffer[k] = '.';
        else if (c == '-' && k == 0 && raw.size() > 1)
            buffer[k] = c;
        else
            plain = false;
    }
    if (!plain)
        return value(QString::fromLocal8Bit(raw));
    double v = 0.0;
    const auto result = std::from_chars(buffer, buffer + raw.size(), v);
    if (result.ec != std::errc() || result.ptr != buffer + raw.size())
        return value(QString::fromLocal8Bit(raw));
    return static_cast<float>(v);
}

bool TableToGraph::fillPoint(const TextTableModel& table, int row, chart::ChartModel& graph) const
{
    const std::optional<double> x = rowTime(table, row);
    if (!x)
        return false;
    for (int s = 0; s < 4; ++s)
        graph.setX(s, row, *x);
    for (int s = 0; s < 4; ++s) {
        const std::optional<float> v = rawValue(table.table().rawCell(row, 2 + s));
        if (!v)
            return false;
        graph.setY(s, row, *v);
    }
    return true;
}

} // namespace tc4dl
