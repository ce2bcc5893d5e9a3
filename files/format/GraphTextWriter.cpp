#include "GraphTextWriter.h"

#include "ChartModel.h"
#include "ChunkedLineWriter.h"
#include "DateTimeSerial.h"
#include "MeterValues.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <string_view>

namespace tc4dl {

namespace {

void appendText(QByteArray& out, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            out += text.toLocal8Bit();
            return;
        }
    }
    for (const QChar c : text)
        out += static_cast<char>(c.unicode());
}
} // namespace

GraphTextWriter::GraphTextWriter(const QLocale& locale, char separator, bool celsius)
    : m_locale(locale)
    , m_separator(separator)
    , m_celsius(celsius)
    , m_date(DateTimeFormat::dateFormat(locale), locale)
    , m_time(DateTimeFormat::timeFormat(locale), locale)
    , m_decimalPoint(locale.decimalPoint().toLocal8Bit())
    , m_minus(locale.negativeSign().toLocal8Bit())
{
}

QByteArray GraphTextWriter::valueText(float value) const
{
    QByteArray out;
    appendValue(out, value);
    return out;
}

void GraphTextWriter::appendValue(QByteArray& out, float value) const
{
    if (isOutsideExportRange(value, m_celsius)) {
        out += "OL";
        return;
    }
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                      std::chars_format::fixed, 1);
    const char* begin = buffer;
    // A value that rounds to zero is written without a sign.
    if (*begin == '-' && std::string_view(begin + 1, result.ptr) == "0.0")
        ++begin;
    for (const char* p = begin; p != result.ptr; ++p) {
        if (*p == '.')
            out += m_decimalPoint;
        else if (*p == '-')
            out += m_minus;
        else
            out += *p;
    }
}

void GraphTextWriter::appendDateTime(QByteArray& out, double x)
{
    const SerialDay parts = splitSerialDay(x);
    const qint64 day = parts.day;
    const qint64 ms = parts.msOfDay;
    if (day != m_lastDay) {
        const QDate date = dateTimeSerialEpoch().addDays(day);
        m_scratch.clear();
        if (date.isValid())
            m_date.appendDate(m_scratch, date.year(), date.month(), date.day());
        m_lastDate.clear();
        appendText(m_lastDate, m_scratch);
        m_lastDay = day;
    }
    out += m_lastDate;
    out += m_separator;
    m_scratch.clear();
    const int seconds = static_cast<int>(ms / 1000);
    m_time.appendTime(m_scratch, seconds / 3600, seconds / 60 % 60, seconds % 60,
                      static_cast<int>(ms % 1000));
    appendText(out, m_scratch);
}

void GraphTextWriter::appendFields(QByteArray& out, double x, const std::array<float, 4>& values)
{
    appendDateTime(out, x);
    for (const float v : values) {
        out += m_separator;
        appendValue(out, v);
    }
}

qint64 GraphTextWriter::write(const chart::ChartModel& graph, SaveRange range,
                              QIODevice& device, const std::function<bool(qint64)>& step)
{
    ChunkedLineWriter out(device, step);
    for (int k = std::max(range.from, 1); k <= range.to && k <= graph.points(); ++k) {
        const double x = graph.x(0, k - 1);
        if (x == 0.0)
            break;
        const std::array<float, 4> values{graph.y(0, k - 1), graph.y(1, k - 1),
                                          graph.y(2, k - 1), graph.y(3, k - 1)};
        appendFields(out.line(), x, values);
        if (!out.endLine())
            break;
    }
    return out.finish();
}

} // namespace tc4dl
