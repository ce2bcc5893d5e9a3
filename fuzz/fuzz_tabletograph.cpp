// The conversion of a table back into a graph, fed hostile tables. The first byte chooses the
// locale (German or English); the rest is a tab-separated file. Rules:
// - a row whose time cannot be read leaves its points at X 0;
// - a row read whole has the row's time as X in all four subsets and a value in each, the
//   value of no data only where the cell is exactly "OL";
// - a time read is a finite date-time serial of a valid date;
// - nothing is written outside the row's own point.

#include "ChartModel.h"
#include "FuzzRule.h"
#include "MeterValues.h"
#include "TableToGraph.h"
#include "TextTableModel.h"
#include "TextTableReader.h"

#include <cmath>

using namespace tc4dl;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const QLocale german(QLocale::German, QLocale::Germany);
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    static const TableToGraph germanConvert(german);
    static const TableToGraph englishConvert(english);
    const TableToGraph& convert = (data[0] & 1) ? englishConvert : germanConvert;

    TextTableModel model;
    {
        TextTable& table = model.beginFill();
        TextTableReader reader('\t', table);
        reader.feed(QByteArrayView(data + 1, static_cast<qsizetype>(size - 1)));
        reader.finish();
        model.endFill();
    }
    const int n = model.dataRows();
    chart::ChartModel graph;
    graph.setSubsets(4);
    graph.setPoints(n + 1); // one point beyond the table, which must stay empty
    for (int row = 0; row < n; ++row) {
        const std::optional<double> time = convert.rowTime(model, row);
        const bool whole = convert.fillPoint(model, row, graph);
        if (!time) {
            FUZZ_RULE(!whole);
            for (int s = 0; s < 4; ++s)
                FUZZ_RULE(graph.x(s, row) == 0.0 && graph.y(s, row) == kNullValue);
            continue;
        }
        FUZZ_RULE(std::isfinite(*time));
        for (int s = 0; s < 4; ++s)
            FUZZ_RULE(graph.x(s, row) == *time);
        if (whole)
            for (int s = 0; s < 4; ++s)
                FUZZ_RULE((graph.y(s, row) == kNullValue)
                    == (model.cellText(row, 3 + s) == QLatin1String("OL")
                        || convert.value(model.cellText(row, 3 + s)) == kNullValue));
    }
    for (int s = 0; s < 4; ++s)
        FUZZ_RULE(graph.x(s, n) == 0.0 && graph.y(s, n) == kNullValue);
    return 0;
}
