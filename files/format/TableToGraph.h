#pragma once

#include "DateTimeFormat.h"

#include <QByteArrayView>
#include <QLocale>
#include <QString>

#include <optional>

namespace tc4dl {

namespace chart {
class ChartModel;
}
class TextTableModel;

// Turns a table window's rows back into graph points: the time from the Date and Time
// columns read with the locale's formats (those the text export writes), the four values
// from columns 3 to 6 with the locale's decimal separator, "OL" as a point without data.
class TableToGraph {
public:
    explicit TableToGraph(const QLocale& locale);

    // The time of data row `row` (from 0) as a date-time serial; nothing, and the sentence
    // "'<text>' is not a valid date and time" in *error, when it cannot be read.
    [[nodiscard]] std::optional<double> rowTime(
        const TextTableModel& table, int row, QString* error = nullptr) const;
    // A value cell: exactly "OL" is the value of no data (9999); else a decimal number.
    [[nodiscard]] std::optional<float> value(const QString& text) const;

    // Point `row` of subsets 0..3: X of all four, then Y of each in turn, stopping at the
    // first cell that cannot be read (what was set stays). False when a cell failed.
    bool fillPoint(const TextTableModel& table, int row, chart::ChartModel& graph) const;

private:
    [[nodiscard]] std::optional<float> rawValue(QByteArrayView raw) const;

    QLocale m_locale;
    char m_decimal = 0; // the decimal separator as a byte, 0 when it is not one
    DateTimeFormat m_date;
    DateTimeFormat m_shortDate; // the locale's own, perhaps with a two-digit year
    DateTimeFormat m_time;
};

} // namespace tc4dl
