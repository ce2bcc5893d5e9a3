#include "RunJournal.h"

#include "DateTimeSerial.h"
#include "JournalReader.h"
#include "MeterValues.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace tc4dl::recorder {

namespace {

const QString kSuffix = QStringLiteral(".journal");

QString startStamp(double serial)
{
    return fromDateTimeSerial(serial).toString(QStringLiteral("yyyyMMddTHHmmss"));
}

} // namespace

QString journalWriteFailure(const QString& path)
{
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    const QString where = QDir::toNativeSeparators(path);
    if (disk.isValid() && disk.bytesAvailable() < 4096)
        return QStringLiteral("%1 cannot be written: the disk is full").arg(where);
    return QStringLiteral("%1 cannot be written").arg(where);
}

RunJournal::RunJournal(journal::JournalSyncer::Mode mode)
    : m_writer(mode)
{
}

RunJournal::~RunJournal() = default;

bool RunJournal::begin(const QString& folder, const LiveRun& run, qint64 nowMs, QString* error)
{
    const QDir dir(folder);
    if (!QDir().mkpath(folder)) {
        *error
            = QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    // Two runs of one meter may begin in the same second (a unit switch): a number tells them
    // apart.
    const QString base = run.meter() + QLatin1Char('.') + startStamp(run.startSerial());
    m_path = dir.filePath(base + kSuffix);
    for (int n = 2; QFileInfo::exists(m_path); ++n)
        m_path = dir.filePath(base + QLatin1Char('-') + QString::number(n) + kSuffix);
    journal::JournalHeader header;
    header.startSerial = run.startSerial();
    header.samplesAsked = LiveRun::kMaxSamples;
    header.samplingRate = quint32(run.interval());
    header.unit = run.celsius() ? 1 : 0;
    if (!m_writer.begin(m_path, header, nowMs)) {
        *error = journalWriteFailure(m_path);
        return false;
    }
    return true;
}

bool RunJournal::append(const LiveRun& run, int index, qint64 nowMs)
{
    journal::JournalSample sample;
    sample.t = run.sampleSerial(index);
    const SampleCodes& codes = run.samples()[static_cast<std::size_t>(index)];
    for (std::size_t c = 0; c < codes.size(); ++c)
        sample.values[c] = sampleDegrees(codes[c]).value_or(kNullValue);
    return m_writer.append(sample, nowMs);
}

void RunJournal::timePassed(qint64 nowMs)
{
    m_writer.timePassed(nowMs);
}

void RunJournal::finish()
{
    m_writer.finish();
}

void RunJournal::remove()
{
    m_writer.discard(m_path);
}

QStringList RunJournal::leftIn(const QString& folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QFileInfo& info :
        dir.entryInfoList({ QStringLiteral("*") + kSuffix }, QDir::Files, QDir::Name)) {
        if (!meterOf(info.filePath()).isEmpty())
            paths << info.filePath();
    }
    return paths;
}

QString RunJournal::meterOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot <= 0 || !name.endsWith(kSuffix))
        return {};
    return name.left(dot);
}

std::optional<LiveRun> runFromJournal(const QString& path, QString* error)
{
    const QString meter = RunJournal::meterOf(path);
    const journal::JournalContents contents = journal::readJournalFile(path);
    if (meter.isEmpty() || !contents.headerValid) {
        *error
            = contents.error.isEmpty() ? QStringLiteral("not a recorder journal") : contents.error;
        return std::nullopt;
    }
    if (contents.samples.empty()) {
        *error = QStringLiteral("it holds no reading");
        return std::nullopt;
    }
    const journal::JournalHeader& h = contents.header;
    LiveRun run(meter, h.startSerial, qint32(std::max<quint32>(h.samplingRate, 1)), h.unit == 1);
    for (const journal::JournalSample& s : contents.samples) {
        SampleCodes codes {};
        for (std::size_t c = 0; c < codes.size(); ++c) {
            const float v = s.values[c];
            codes[c] = sampleCode(v == kNullValue ? std::nullopt : std::optional<float>(v));
        }
        if (!run.append(codes))
            break;
    }
    return run;
}

} // namespace tc4dl::recorder
