#pragma once

#include "DateTimeFormat.h"
#include "SaveRange.h"

#include <QByteArray>
#include <QHash>
#include <QLocale>

#include <array>
#include <functional>
#include <limits>
#include <string>

class QIODevice;

namespace tc4dl {

namespace chart {
class ChartModel;
}

// Writes a graph's points as text, one line per point:
//   Date SEP Time SEP T1 SEP T2 SEP T3 SEP T4 CR LF
// Date in the locale's short date format (four-digit year), Time in its time format with
// seconds, each value with one decimal and the locale's decimal separator, or "OL" outside the
// thermocouple's range for the chosen unit (a point without data, 9999, is outside it too).
// The text is in the system's 8-bit code page, as the table reader takes it back.
class GraphTextWriter {
public:
    GraphTextWriter(const QLocale& locale, char separator, bool celsius);

    // A value as the line holds it.
    [[nodiscard]] QByteArray valueText(float value) const;

    // Writes points from..to (numbered from 1) of `graph`, stopping before the first point
    // whose X is exactly 0 (a point never filled). `step` is called after each line with the
    // lines written so far and returns false to stop there. The lines go out in large writes;
    // the result is the number of lines, or -1 when the device refused a write.
    qint64 write(const chart::ChartModel& graph, SaveRange range, QIODevice& device,
        const std::function<bool(qint64 lines)>& step = {});

private:
    // One point's line without its end. A line is built in a plain string and handed on in
    // one append: many small appends to a QByteArray cost more than the text itself.
    void appendFields(std::string& out, double x, const std::array<float, 4>& values);
    void appendValue(std::string& out, float value) const;
    void appendDateTime(std::string& out, double x);

    QLocale m_locale;
    char m_separator;
    bool m_celsius;
    DateTimeFormat m_date;
    DateTimeFormat m_time;
    QByteArray m_decimalPoint;
    QByteArray m_minus;
    // The date text of the last day written: points come in time order.
    qint64 m_lastDay = std::numeric_limits<qint64>::min();
    QByteArray m_lastDate;
    QString m_scratch;
    std::string m_line;
};

} // namespace tc4dl
