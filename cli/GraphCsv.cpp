#include "GraphCsv.h"

#include "ChartModel.h"
#include "DataSetText.h"
#include "DateTimeSerial.h"
#include "StopSignals.h"
#include "ValueText.h"

namespace tc4dl::cli {

QString graphCsvHeader()
{
    return QStringLiteral("time,T1,T2,T3,T4");
}

QString graphCsvValue(const chart::ChartModel& graph, float value)
{
    if (graph.isNull(value))
        return QString();
    return readingValueText(value);
}

void writeGraphCsv(const chart::ChartModel& graph, QTextStream& out)
{
    out << graphCsvHeader() << '\n';
    for (int p = 0; p < graph.points(); ++p) {
        if (p % 4096 == 0 && stop::requested())
            return;
        const double x = graph.x(0, p);
        if (x == 0.0)
            break;
        out << isoTimeText(fromDateTimeSerial(x));
        for (int s = 0; s < 4; ++s)
            out << ',' << graphCsvValue(graph, graph.y(s, p));
        out << '\n';
    }
}

} // namespace tc4dl::cli
