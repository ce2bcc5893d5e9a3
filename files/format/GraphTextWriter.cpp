#include "GraphTextWriter.h"

#include "ChartModel.h"
#include "ChunkedLineWriter.h"
#include "DateTimeSerial.h"
#include "MeterValues.h"

#include <QDate>

#include <charconv>
#include <cmath>

namespace tc4dl {

namespace {

void appendBytes(std::string& out, const QByteArray& bytes)
{
    out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void appendText(std::string& out, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            appendBytes(out, text.toLocal8Bit());
            return;
        }
    }
    for (const QChar c : text)
        out += static_cast<char>(c.unicode());
}
} // namespace

GraphTextWriter::GraphTextWriter(const QLocale& locale, char separator, bool celsius)
    : m_locale(locale),
      m_separator(separator),
      m_celsius(celsius),
      m_date(DateTimeFormat::dateFormat(locale), locale),
      m_time(DateTimeFormat::timeFormat(locale), locale),
      m_decimalPoint(locale.decimalPoint().toLocal8Bit()),
      m_minus(locale.negativeSign().toLocal8Bit())
{
}

QByteArray GraphTextWriter::valueText(float value) const
{
    std::string out;
    appendValue(out, value);
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

void GraphTextWriter::appendValue(std::string& out, float value) const
{
    if (isOutsideExportRange(value, m_celsius)) {
        out += "OL";
        return;
    }
    // Ten times a float is exact in a double (24 bits and 4 more of 53), so rounding it to a
    // whole number half to even, as the default rounding mode does, gives the same tenths as
    // std::to_chars with one decimal, at a fraction of its cost (the values of a line cost
    // more through to_chars than all the rest of it). Only values in the range get here.
    const auto tenths = static_cast<qint64>(std::nearbyint(static_cast<double>(value) * 10.0));
    // A value that rounds to zero is written without a sign.
    if (tenths < 0)
        appendBytes(out, m_minus);
    const quint64 magnitude
        = tenths < 0 ? 0 - static_cast<quint64>(tenths) : static_cast<quint64>(tenths);
    char digits[24];
    const auto whole = std::to_chars(digits, digits + sizeof digits, magnitude / 10);
    out.append(digits, static_cast<size_t>(whole.ptr - digits));
    appendBytes(out, m_decimalPoint);
    out += static_cast<char>('0' + magnitude % 10);
}

void GraphTextWriter::appendDateTime(std::string& out, double x)
{
    const SerialDay parts = splitSerialDay(x);
    const qint64 day = parts.day;
    const qint64 ms = parts.msOfDay;
    if (day != m_lastDay) {
        const QDate date = dateTimeSerialEpoch().addDays(day);
        m_scratch.clear();
        if (date.isValid())
            m_date.appendDate(m_scratch, date.year(), date.month(), date.day());
        m_lastDate = m_scratch.toLocal8Bit();
        m_lastDay = day;
    }
    appendBytes(out, m_lastDate);
    out += m_separator;
    const int seconds = static_cast<int>(ms / 1000);
    const int hour = seconds / 3600;
    const int minute = seconds / 60 % 60;
    const int msec = static_cast<int>(ms % 1000);
    // Every line has its own time: a format of digits and ASCII goes straight into the bytes.
    if (m_time.readsBytes()) {
        m_time.appendTime(out, hour, minute, seconds % 60, msec);
        return;
    }
    m_scratch.clear();
    m_time.appendTime(m_scratch, hour, minute, seconds % 60, msec);
    appendText(out, m_scratch);
}

void GraphTextWriter::appendFields(std::string& out, double x, const std::array<float, 4>& values)
{
    appendDateTime(out, x);
    for (const float v : values) {
        out += m_separator;
        appendValue(out, v);
    }
}

qint64 GraphTextWriter::write(const chart::ChartModel& graph, SaveRange range, QIODevice& device,
    const std::function<bool(qint64)>& step)
{
    ChunkedLineWriter out(device, step);
    for (int k = std::max(range.from, 1); k <= range.to && k <= graph.points(); ++k) {
        const double x = graph.x(0, k - 1);
        if (x == 0.0)
            break;
        const std::array<float, 4> values { graph.y(0, k - 1), graph.y(1, k - 1), graph.y(2, k - 1),
            graph.y(3, k - 1) };
        m_line.clear();
        appendFields(m_line, x, values);
        out.line().append(m_line.data(), static_cast<qsizetype>(m_line.size()));
        if (!out.endLine())
            break;
    }
    return out.finish();
}

} // namespace tc4dl
