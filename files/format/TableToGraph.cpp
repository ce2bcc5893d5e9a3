#include "TableToGraph.h"

#include "ChartModel.h"
#include "MeterValues.h"
#include "TextTableModel.h"

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
    : m_locale(strictNumbers(locale))
    , m_date(DateTimeFormat::dateFormat(locale), locale)
    , m_shortDate(locale.dateFormat(QLocale::ShortFormat), locale)
    , m_time(DateTimeFormat::timeFormat(locale), locale)
{
}

std::optional<double> TableToGraph::rowTime(const TextTableModel& table, int row,
                                            QString* error) const
{
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

bool TableToGraph::fillPoint(const TextTableModel& table, int row, chart::ChartModel& graph) const
{
    const std::optional<double> x = rowTime(table, row);
    if (!x)
        return false;
    for (int s = 0; s < 4; ++s)
        graph.setX(s, row, *x);
    for (int s = 0; s < 4; ++s) {
        const std::optional<float> v = value(table.cellText(row, 3 + s));
        if (!v)
            return false;
        graph.setY(s, row, *v);
    }
    return true;
}

} // namespace tc4dl
