#include "DataSetText.h"

#include "Clock.h"
#include "CollectionFile.h"
#include "DataSetList.h"
#include "DateTimeSerial.h"
#include "ExitCode.h"
#include "Output.h"
#include "Unit.h"

#include <algorithm>

namespace tc4dl::cli {

namespace {
QString unitLetter(const DataSetStore& store, int k)
{
    return tc4dl::unitLetter(unitOf(store.celsius(k)));
}
} // namespace

QDateTime setStart(const DataSetStore& store, int k)
{
    return toTheSecond(store.startTime(k));
}

QString setsCsvHeader()
{
    return QStringLiteral("set,start,interval_s,samples,unit");
}

QString setsCsvLine(const DataSetStore& store, int k)
{
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(k + 1)
        .arg(isoTimeText(setStart(store, k)))
        .arg(store.interval(k))
        .arg(store.sampleCount(k))
        .arg(unitLetter(store, k));
}

QStringList setsTable(const DataSetStore& store)
{
    QStringList lines;
    lines << QStringLiteral("  Set  Start                Rate   Samples  Unit");
    for (int k = 0; k < store.setCount(); ++k)
        lines << QStringLiteral("%1  %2  %3  %4  %5")
                     .arg(k + 1, 5)
                     .arg(setStart(store, k).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), -19)
                     .arg(intervalText(store.interval(k)), 5)
                     .arg(store.sampleCount(k), 7)
                     .arg(unitLetter(store, k), 4);
    return lines;
}

int exitCodeFor(LoadResult result)
{
    switch (result) {
    case LoadResult::Success:
        return Ok;
    case LoadResult::DataError:
        return DataError;
    case LoadResult::MemoryError:
        return MemoryError;
    case LoadResult::TransferIncomplete:
        return TransferIncomplete;
    case LoadResult::SizeRejected:
        return NoAnswer;
    case LoadResult::NoData:
        return NoData;
    }
    return DataError;
}

QString failureSentence(LoadResult result, const DecodeOutcome& decode)
{
    switch (result) {
    case LoadResult::Success:
        return {};
    case LoadResult::DataError:
        if (decode.badSet >= 0)
            return QStringLiteral("Data error: data set %1 failed its checks.")
                .arg(decode.badSet + 1);
        return QStringLiteral("Data error: the memory header cannot be read.");
    case LoadResult::MemoryError:
        return QStringLiteral("Memory error: the memory header counts more than 4000 data sets.");
    case LoadResult::TransferIncomplete:
        return QStringLiteral(
            "The transfer is incomplete: fewer bytes arrived than the memory holds.");
    case LoadResult::SizeRejected:
        return QStringLiteral(
            "The meter did not answer the memory size query, or told a size out of range.");
    case LoadResult::NoData:
        return QStringLiteral("There is not any recorded data in memory.");
    }
    return {};
}

int loadCollection(const QString& path, Clock& clock, DataSetStore& store, QTextStream& err)
{
    MemoryImage image;
    const CollectionRead read = readCollectionFile(path, image);
    if (read.status == CollectionRead::Status::Empty) {
        err << "There is not any recorded data in " << path << ": the file is empty.\n";
        return NoData;
    }
    if (read.status != CollectionRead::Status::Read) {
        err << (read.error.isEmpty()
                ? QStringLiteral("Cannot read %1.").arg(path)
                : QStringLiteral("Cannot read %1: %2").arg(path, endSentence(read.error)))
            << '\n';
        return CannotRead;
    }
    const DecodeOutcome outcome = decodeMemoryImage(image, clock.now(), store);
    if (outcome.result != LoadResult::Success) {
        err << failureSentence(outcome.result, outcome) << '\n';
        return exitCodeFor(outcome.result);
    }
    return Ok;
}

int loadChosenSets(const QString& path, const std::optional<QString>& setNumber, Clock& clock,
    DataSetStore& store, int& only, QTextStream& err)
{
    only = -1;
    if (setNumber) {
        bool ok = false;
        only = setNumber->toInt(&ok) - 1;
        if (!ok || only < 0) {
            err << "--set needs a data set number of 1 or more, not \"" << *setNumber << "\".\n";
            return InvalidInput;
        }
    }
    if (const int code = loadCollection(path, clock, store, err); code != Ok)
        return code;
    if (only >= store.setCount()) {
        err << "There is no data set " << only + 1 << ": the file holds " << store.setCount()
            << ".\n";
        return InvalidInput;
    }
    return Ok;
}

} // namespace tc4dl::cli
