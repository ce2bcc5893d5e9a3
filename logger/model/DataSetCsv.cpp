#include "DataSetCsv.h"

#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "Unit.h"
#include "ValueText.h"

namespace tc4dl {

QString dataSetCsvHeader()
{
    return QStringLiteral("set,time,T1,T2,T3,T4,unit");
}

void writeDataSetCsvLines(const DataSetStore& store, int k, QTextStream& out, const QString& label)
{
    const QDateTime start = toTheSecond(store.startTime(k));
    const bool celsius = store.celsius(k);
    const QString set = label.isEmpty() ? QString::number(k + 1) : label;
    const QString unit = unitLetter(unitOf(celsius));
    const std::span<const float> values = store.setValues(k);
    const qint64 interval = store.interval(k);
    for (qint32 j = 0; j < store.sampleCount(k); ++j) {
        out << set << ',' << isoTimeText(start.addSecs(j * interval));
        for (std::size_t n = 0; n < 4; ++n)
            out << ',' << dataSetValueText(values[static_cast<std::size_t>(j) * 4 + n], celsius);
        out << ',' << unit << '\n';
    }
}

} // namespace tc4dl
