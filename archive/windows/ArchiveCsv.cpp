#include "ArchiveCsv.h"

#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "FileTarget.h"
#include "MeterValues.h"

#include <QIODevice>
#include <QTextStream>

namespace tc4dl::archive {

namespace {

QDateTime toTheSecond(double serial)
{
    const QDateTime t = fromDateTimeSerial(serial);
    const int ms = t.time().msec();
    return t.addMSecs(ms >= 500 ? 1000 - ms : -ms);
}

QString valueText(float value, bool celsius)
{
    // Never the locale's separator: the file is for scripts and spreadsheets alike.
    return isOutsideExportRange(value, celsius) ? QStringLiteral("OL")
                                                : QString::number(double(value), 'f', 1);
}

} // namespace

bool writeArchiveCsv(
    const QString& path, const DataSetStore& store, const std::vector<qint64>& ids, QString* error)
{
    const auto write = [&](QIODevice& device) {
        QTextStream out(&device);
        out << "set,time,T1,T2,T3,T4,unit\n";
        for (int k = 0; k < store.setCount(); ++k) {
            const QString set = QString::number(static_cast<std::size_t>(k) < ids.size()
                    ? ids[static_cast<std::size_t>(k)]
                    : k + 1);
            const bool celsius = store.celsius(k);
            const QString unit = celsius ? QStringLiteral("C") : QStringLiteral("F");
            const QDateTime start = toTheSecond(store.startTime(k));
            const std::span<const float> values = store.setValues(k);
            const qint64 interval = store.interval(k);
            for (qint32 j = 0; j < store.sampleCount(k); ++j) {
                out << set << ','
                    << start.addSecs(j * interval).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
                for (std::size_t n = 0; n < 4; ++n)
                    out << ',' << valueText(values[static_cast<std::size_t>(j) * 4 + n], celsius);
                out << ',' << unit << '\n';
            }
        }
        out.flush();
        return out.status() == QTextStream::Ok;
    };
    return writeWhole(path, write, error) == WriteOutcome::Written;
}

} // namespace tc4dl::archive
