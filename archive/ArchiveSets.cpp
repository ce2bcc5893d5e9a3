#include "ArchiveSets.h"

#include "ArchiveReadings.h"
#include "ArchiveSchema.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "MemoryHeader.h"
#include "MemoryImage.h"
#include "MeterValues.h"
#include "Sha256.h"

#include <QVariant>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tc4dl::archive {

namespace {

constexpr quint8 kStartMark1 = 0xA5;
constexpr quint8 kStartMark2 = 0x5A;
constexpr quint8 kEndMark1 = 0x5A;
constexpr quint8 kEndMark2 = 0xA5;
constexpr qsizetype kSampleBytes = 8;
constexpr qsizetype kCountAt = 12;
constexpr qsizetype kIntervalAt = 9;

// Two moments that differ in every field: a start the bytes give is the same under both, one
// the decoder had to take from its clock is not.
const QDateTime kEarlyClock(QDate(2001, 1, 1), QTime(0, 0, 0));
const QDateTime kLateClock(QDate(2030, 12, 28), QTime(23, 59, 59));

quint8 at(const QByteArray& b, qsizetype i)
{
    return static_cast<quint8>(b[i]);
}

// The columns of a listed set, in the order setFromRow reads them, for the schema's version.
QString setColumns(int version)
{
    if (version >= 3)
        return QStringLiteral("id, start, interval, samples, celsius, added, last_seen, source, "
                              "note, kind, machine, user_name, meter");
    return version >= 2
        ? QStringLiteral("id, start, interval, samples, celsius, added, last_seen, source, note, "
                         "'', '', '', ''")
        : QStringLiteral("id, start, interval, samples, celsius, added, added, source, '', '', "
                         "'', ''");
}

// A header of `count` sets ending at `last`, with `interval` (seconds) as the meter's recording
// interval in mm:ss BCD, kept within what the field can say.
void writeHeader(QByteArray& bytes, int count, qint64 last, int interval)
{
    const int minutes = std::clamp(interval / 60, 0, 99);
    const int seconds = std::clamp(interval - minutes * 60, 0, 59);
    auto bcd = [](int v) { return char((v / 10) << 4 | (v % 10)); };
    const char header[7] = { char(count >> 8), char(count & 0xFF), char(last >> 16 & 0xFF),
        char(last >> 8 & 0xFF), char(last & 0xFF), bcd(minutes), bcd(seconds) };
    bytes.replace(MemoryHeader::kSetCountOffset, 7, header, 7);
}

// The interval a set's bytes give, as the decoder reads it.
int intervalOf(const QByteArray& set)
{
    return decodeReading(at(set, kIntervalAt), at(set, kIntervalAt + 1));
}

// Marks at both ends, and as long as its own count says.
bool framed(const QByteArray& set)
{
    if (set.size() < kSetFrame || at(set, 0) != kStartMark1 || at(set, 1) != kStartMark2
        || at(set, set.size() - 2) != kEndMark1 || at(set, set.size() - 1) != kEndMark2)
        return false;
    const qint64 count = qint64(at(set, kCountAt)) << 8 | at(set, kCountAt + 1);
    return set.size() == kSetFrame + kSampleBytes * count;
}

// The length of each chosen set, each no longer than a set can be: known before any is read.
bool lengthsOf(const Archive::Impl& impl, const std::vector<qint64>& ids,
    std::vector<qint64>* lengths, ArchiveError* error)
{
    QSqlQuery q(impl.db());
    q.prepare(QStringLiteral("SELECT length(data) FROM %1 WHERE id = ?").arg(impl.table()));
    for (const qint64 id : ids) {
        q.bindValue(0, id);
        if (!q.exec()) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        if (!q.next()) {
            *error
                = ArchiveError::of(ArchiveError::Kind::NoSuchSet, impl.path, QString::number(id));
            return false;
        }
        const qint64 length = q.value(0).toLongLong();
        if (length < kSetFrame || length > kLongestSetBytes) {
            *error
                = ArchiveError::of(ArchiveError::Kind::DamagedSet, impl.path, QString::number(id));
            return false;
        }
        lengths->push_back(length);
        q.finish();
    }
    return true;
}

// One set's bytes, appended to `bytes` once they match their hash.
bool appendSet(
    const Archive::Impl& impl, qint64 id, Sha256& sha256, QByteArray& bytes, ArchiveError* error)
{
    QSqlQuery q(impl.db());
    q.prepare(QStringLiteral("SELECT data, sha256 FROM %1 WHERE id = ?").arg(impl.table()));
    q.bindValue(0, id);
    if (!q.exec() || !q.next()) {
        *error = q.lastError().isValid()
            ? impl.errorOf(q.lastError())
            : ArchiveError::of(ArchiveError::Kind::NoSuchSet, impl.path, QString::number(id));
        return false;
    }
    const QByteArray set = q.value(0).toByteArray();
    // Its hash, and its frame: bytes that hash right but are no data set decode to nothing.
    if (!framed(set) || sha256.hash(set) != q.value(1).toByteArray()) {
        *error = ArchiveError::of(ArchiveError::Kind::DamagedSet, impl.path, QString::number(id));
        return false;
    }
    bytes += set;
    return true;
}

// The sets as one memory image, each read and checked in turn.
std::optional<MemoryImage> imageOf(
    const Archive::Impl& impl, const std::vector<qint64>& ids, qint64 length, ArchiveError* error)
{
    QByteArray bytes(MemoryHeader::kSize, '\0');
    bytes.reserve(length);
    Sha256 sha256;
    int interval = -1;
    for (const qint64 id : ids) {
        if (!appendSet(impl, id, sha256, bytes, error))
            return std::nullopt;
        if (interval < 0)
            interval = intervalOf(bytes.sliced(MemoryHeader::kSize));
    }
    const qint64 last = bytes.size() - 1;
    writeHeader(bytes, int(ids.size()), last, interval);
    return MemoryImage(bytes, last);
}

QString serialText(double serial)
{
    if (!std::isfinite(serial))
        return QString::number(serial);
    return fromDateTimeSerial(serial).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QString unitText(qint64 celsius)
{
    return celsius == 1 ? QStringLiteral("C")
        : celsius == 0  ? QStringLiteral("F")
                        : QString::number(celsius);
}

// A row as stored, before its bytes are heard.
struct Row {
    ArchivedSet set;
    double start = 0.0;
    qint64 interval = 0;
    qint64 samples = 0;
    qint64 celsius = 0;
};

// The row's fields against what its bytes say: the problems, one per field that differs.
std::vector<CheckProblem> disagreements(const Row& row, const BytesSay& say)
{
    std::vector<CheckProblem> problems;
    const auto differ = [&](const char* field, const QString& stored, const QString& derived) {
        CheckProblem p;
        p.kind = CheckProblem::Kind::Field;
        p.id = row.set.id;
        p.field = QLatin1String(field);
        p.stored = stored;
        p.derived = derived;
        problems.push_back(p);
    };
    if (say.start ? row.start != *say.start : !std::isfinite(row.start))
        differ("start", serialText(row.start), say.start ? serialText(*say.start) : QString());
    if (row.interval != say.interval)
        differ("interval", QString::number(row.interval), QString::number(say.interval));
    if (row.celsius != (say.celsius ? 1 : 0))
        differ("unit", unitText(row.celsius), unitText(say.celsius ? 1 : 0));
    if (row.samples != say.samples)
        differ("samples", QString::number(row.samples), QString::number(say.samples));
    return problems;
}

bool readRows(const Archive::Impl& impl, const QString& where, const QVariantList& values,
    std::vector<Row>* rows, std::vector<std::pair<QByteArray, qint64>>* heads, ArchiveError* error)
{
    QSqlQuery q(impl.db());
    q.setForwardOnly(true);
    // The first bytes only of a set no longer than a set can be: a longer one is never read.
    q.prepare(QStringLiteral("SELECT %1, length(data), CASE WHEN length(data) BETWEEN %2 AND %3 "
                             "THEN substr(data, 1, %4) END FROM %5 WHERE %6 ORDER BY start, id")
                  .arg(setColumns(impl.version))
                  .arg(kSetFrame)
                  .arg(kLongestSetBytes)
                  .arg(kSetHead)
                  .arg(impl.table(), where));
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!q.exec()) {
        if (error)
            *error = impl.errorOf(q.lastError());
        return false;
    }
    while (q.next()) {
        Row r;
        r.set.id = q.value(0).toLongLong();
        r.start = q.value(1).toDouble();
        r.interval = q.value(2).toLongLong();
        r.samples = q.value(3).toLongLong();
        r.celsius = q.value(4).toLongLong();
        r.set.added = fromMs(q.value(5).toLongLong());
        r.set.lastSeen = fromMs(q.value(6).toLongLong());
        r.set.source = q.value(7).toString();
        r.set.note = q.value(8).toString();
        r.set.kind = q.value(9).toString();
        r.set.machine = q.value(10).toString();
        r.set.user = q.value(11).toString();
        r.set.meter = q.value(12).toString();
        rows->push_back(r);
        heads->emplace_back(q.value(14).toByteArray(), q.value(13).toLongLong());
    }
    return true;
}

} // namespace

std::vector<BytesSay> whatBytesSay(const std::vector<std::pair<QByteArray, qint64>>& heads)
{
    std::vector<BytesSay> said(heads.size());
    // The readable heads, each as a set without samples, decoded in memories of at most as
    // many sets as the decoder takes.
    std::vector<std::size_t> readable;
    for (std::size_t i = 0; i < heads.size(); ++i) {
        const auto& [head, length] = heads[i];
        if (head.size() != kSetHead || at(head, 0) != kStartMark1 || at(head, 1) != kStartMark2)
            continue;
        said[i].samples = qint32(at(head, kCountAt)) << 8 | at(head, kCountAt + 1);
        if (length != kSetFrame + kSampleBytes * said[i].samples)
            continue;
        readable.push_back(i);
    }
    for (std::size_t first = 0; first < readable.size(); first += std::size_t(kMaxSetCount)) {
        const std::size_t n = std::min(readable.size() - first, std::size_t(kMaxSetCount));
        QByteArray bytes(MemoryHeader::kSize, '\0');
        bytes.reserve(MemoryHeader::kSize + qsizetype(n) * kSetFrame);
        for (std::size_t k = 0; k < n; ++k) {
            bytes += heads[readable[first + k]].first.left(kCountAt);
            bytes += QByteArray("\0\0", 2);
            bytes += char(kEndMark1);
            bytes += char(kEndMark2);
        }
        writeHeader(bytes, int(n), bytes.size() - 1, 0);
        const MemoryImage image(bytes, bytes.size() - 1);
        DataSetStore early;
        DataSetStore late;
        if (decodeMemoryImage(image, kEarlyClock, early).result != LoadResult::Success
            || decodeMemoryImage(image, kLateClock, late).result != LoadResult::Success)
            continue;
        for (std::size_t k = 0; k < n; ++k) {
            BytesSay& s = said[readable[first + k]];
            const int j = int(k);
            s.readable = true;
            if (early.startTime(j) == late.startTime(j))
                s.start = early.startTime(j);
            s.interval = early.interval(j);
            s.celsius = early.celsius(j);
        }
    }
    return said;
}

bool readSets(const Archive::Impl& impl, const QString& where, const QVariantList& values,
    std::vector<ArchivedSet>* sets, ArchiveError* error)
{
    std::vector<Row> rows;
    std::vector<std::pair<QByteArray, qint64>> heads;
    if (!readRows(impl, where, values, &rows, &heads, error))
        return false;
    const std::vector<BytesSay> said = whatBytesSay(heads);
    sets->reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        const BytesSay& say = said[i];
        ArchivedSet s = r.set;
        // What the bytes say is what an export writes; the row only where they say nothing.
        s.start = say.start.value_or(r.start);
        if (say.readable) {
            s.interval = say.interval;
            s.samples = say.samples;
            s.celsius = say.celsius;
            s.doubtful = !disagreements(r, say).empty();
        } else {
            s.interval = qint32(std::clamp<qint64>(r.interval, std::numeric_limits<qint32>::min(),
                std::numeric_limits<qint32>::max()));
            s.samples = qint32(std::clamp<qint64>(r.samples, 0, 65535));
            s.celsius = r.celsius != 0;
            s.doubtful = true;
        }
        sets->push_back(s);
    }
    return true;
}

std::optional<MemoryImage> Archive::image(const std::vector<qint64>& ids, ArchiveError* error) const
{
    ArchiveError why;
    auto fail = [&](const ArchiveError& e) {
        if (error)
            *error = e;
        return std::nullopt;
    };
    if (ids.empty())
        return fail(ArchiveError::of(ArchiveError::Kind::NothingChosen, m_impl->path));
    if (ids.size() > std::size_t(kMaxSetCount))
        return fail(ArchiveError::of(ArchiveError::Kind::TooLarge, m_impl->path));
    Transaction read(*m_impl, Transaction::Kind::Read, &why);
    std::vector<qint64> lengths;
    if (!read.begun() || !lengthsOf(*m_impl, ids, &lengths, &why))
        return fail(why);
    qint64 total = MemoryHeader::kSize;
    for (const qint64 length : lengths)
        total += length;
    if (total > kLargestImageBytes)
        return fail(ArchiveError::of(ArchiveError::Kind::TooLarge, m_impl->path));
    std::optional<MemoryImage> image = imageOf(*m_impl, ids, total, &why);
    if (!image)
        return fail(why);
    read.commit(nullptr);
    return image;
}

bool Archive::forEachMemory(
    const std::vector<qint64>& ids, const EachImage& each, ArchiveError* error) const
{
    ArchiveError why;
    auto fail = [&](const ArchiveError& e) {
        if (error)
            *error = e;
        return false;
    };
    if (ids.empty())
        return fail(ArchiveError::of(ArchiveError::Kind::NothingChosen, m_impl->path));
    Transaction read(*m_impl, Transaction::Kind::Read, &why);
    std::vector<qint64> lengths;
    if (!read.begun() || !lengthsOf(*m_impl, ids, &lengths, &why))
        return fail(why);
    // Memories in order: a set goes into the current one while it fits, else begins the next.
    struct Memory {
        std::vector<qint64> ids;
        qint64 bytes = MemoryHeader::kSize;
    };
    std::vector<Memory> memories;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (memories.empty() || memories.back().ids.size() >= std::size_t(kMaxSetCount)
            || memories.back().bytes + lengths[i] > kMeterMemoryBytes)
            if (memories.empty() || !memories.back().ids.empty())
                memories.emplace_back();
        memories.back().ids.push_back(ids[i]);
        memories.back().bytes += lengths[i];
    }
    // Every set checked before the first memory is handed on, one at a time.
    Sha256 sha256;
    for (const qint64 id : ids) {
        QByteArray one;
        if (!appendSet(*m_impl, id, sha256, one, &why))
            return fail(why);
    }
    for (std::size_t m = 0; m < memories.size(); ++m) {
        const std::optional<MemoryImage> image
            = imageOf(*m_impl, memories[m].ids, memories[m].bytes, &why);
        if (!image)
            return fail(why);
        if (!each(*image, int(m), int(memories.size())))
            return false;
    }
    read.commit(nullptr);
    return true;
}

CheckOutcome Archive::check() const
{
    CheckOutcome out;
    const auto problem = [&out](CheckProblem::Kind kind, qint64 id, const QString& detail) {
        CheckProblem p;
        p.kind = kind;
        p.id = id;
        p.detail = detail;
        out.problems.push_back(p);
    };
    ArchiveError why;
    Transaction read(*m_impl, Transaction::Kind::Read, &why);
    if (!read.begun()) {
        problem(why.kind == ArchiveError::Kind::Foreign ? CheckProblem::Kind::Foreign
                                                        : CheckProblem::Kind::Unreadable,
            0, why.detail.isEmpty() ? why.path : why.detail);
        return out;
    }
    QStringList faults;
    if (!m_impl->dialect->integrityCheck(*m_impl, &faults, &why)) {
        problem(CheckProblem::Kind::Unreadable, 0, why.detail);
        return out;
    }
    for (const QString& fault : faults)
        problem(CheckProblem::Kind::Integrity, 0, fault);
    // The rows and lengths first; then each set's bytes alone, none longer than a set can be.
    std::vector<Row> rows;
    std::vector<std::pair<QByteArray, qint64>> heads;
    if (!readRows(*m_impl, QStringLiteral("1 = 1"), {}, &rows, &heads, &why)) {
        problem(CheckProblem::Kind::Unreadable, 0, why.detail);
        return out;
    }
    std::vector<std::size_t> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
        [&rows](std::size_t l, std::size_t r) { return rows[l].set.id < rows[r].set.id; });
    Sha256 sha256;
    QSqlQuery blob(m_impl->db());
    blob.prepare(QStringLiteral("SELECT data, sha256 FROM %1 WHERE id = ?").arg(m_impl->table()));
    for (const std::size_t i : order) {
        const Row& row = rows[i];
        const qint64 id = row.set.id;
        const qint64 length = heads[i].second;
        if (length > kLongestSetBytes) {
            problem(CheckProblem::Kind::TooLong, id, QString::number(length));
            continue;
        }
        blob.bindValue(0, id);
        if (!blob.exec() || !blob.next()) {
            problem(CheckProblem::Kind::Unreadable, id, m_impl->errorOf(blob.lastError()).detail);
            continue;
        }
        const QByteArray set = blob.value(0).toByteArray();
        const QByteArray hash = blob.value(1).toByteArray();
        blob.finish();
        const BytesSay say = whatBytesSay({ { set.left(kSetHead), set.size() } }).front();
        const bool marked = set.size() >= kSetFrame && at(set, 0) == kStartMark1
            && at(set, 1) == kStartMark2 && at(set, set.size() - 2) == kEndMark1
            && at(set, set.size() - 1) == kEndMark2;
        if (!marked)
            problem(CheckProblem::Kind::NoDataSet, id, {});
        else if (!say.readable) // marked, but not as long as its own count says
            problem(CheckProblem::Kind::CountMismatch, id, {});
        if (sha256.hash(set) != hash)
            problem(CheckProblem::Kind::Hash, id, {});
        // The readings are what the bytes give, listed as the bytes say (none for a set whose
        // bytes cannot be read).
        if (m_impl->version >= 3) {
            qint64 differing = -1;
            const ReadingsSource source { id, set, say.start.value_or(row.start),
                say.readable ? say.interval : qint32(row.interval),
                say.readable ? say.celsius : row.celsius != 0 };
            if (!firstDifferingReading(*m_impl, source, &differing, &why))
                problem(CheckProblem::Kind::Unreadable, id, why.detail);
            else if (differing >= 0)
                problem(CheckProblem::Kind::Readings, id, QString::number(differing + 1));
        }
        if (!marked || !say.readable)
            continue;
        for (const CheckProblem& p : disagreements(row, say))
            out.problems.push_back(p);
    }
    read.commit(nullptr);
    out.ok = out.problems.empty();
    return out;
}

} // namespace tc4dl::archive
