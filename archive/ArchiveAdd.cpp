#include "ArchiveDb.h"

#include "ArchiveReadings.h"
#include "Clock.h"
#include "DataSetStore.h"
#include "MemoryImage.h"
#include "Sha256.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <optional>

namespace tc4dl::archive {

namespace {

// What tells one set from another: start, interval, samples, unit and the hash of its bytes.
struct SetKey {
    double start = 0.0;
    qint32 interval = 0;
    qint32 samples = 0;
    bool celsius = true;
    QByteArray sha256;
};

// The archive's sets an add may meet again, by hash.
class KnownSets {
public:
    bool load(const Archive::Impl& impl, double from, double to, ArchiveError* error)
    {
        QSqlQuery q(impl.db());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT id, start, interval, samples, celsius, sha256 FROM %1 "
                                 "WHERE start >= ? AND start <= ?")
                      .arg(impl.table()));
        q.addBindValue(from);
        q.addBindValue(to);
        if (!q.exec()) {
            *error = errorOf(q.lastError(), impl.path);
            return false;
        }
        while (q.next())
            add(SetKey { q.value(1).toDouble(), q.value(2).toInt(), q.value(3).toInt(),
                    q.value(4).toInt() != 0, q.value(5).toByteArray() },
                q.value(0).toLongLong());
        return true;
    }
    void add(const SetKey& key, qint64 id) { m_byHash[key.sha256].push_back({ key, id }); }
    [[nodiscard]] std::optional<qint64> find(const SetKey& key) const
    {
        const auto it = m_byHash.constFind(key.sha256);
        if (it == m_byHash.cend())
            return std::nullopt;
        for (const auto& [k, id] : *it)
            if (k.start == key.start && k.interval == key.interval && k.samples == key.samples
                && k.celsius == key.celsius)
                return id;
        return std::nullopt;
    }

private:
    QHash<QByteArray, std::vector<std::pair<SetKey, qint64>>> m_byHash;
};

// Sets found again (each id once): last seen now, and `source` added to their sources where it
// is not yet. The ids are the archive's own integers, written into the statement in groups.
// False unless every one of them was there to be marked.
bool markSeen(const Archive::Impl& impl, const std::vector<qint64>& ids, qint64 now,
    const QString& source, ArchiveError* error)
{
    constexpr std::size_t kIdsPerStatement = 500;
    for (std::size_t first = 0; first < ids.size(); first += kIdsPerStatement) {
        QStringList group;
        for (std::size_t i = first; i < std::min(ids.size(), first + kIdsPerStatement); ++i)
            group << QString::number(ids[i]);
        QSqlQuery q(impl.db());
        bool ok = q.prepare(QStringLiteral("UPDATE %1 SET last_seen = ?, source = CASE WHEN "
                                           "instr('; ' || source || '; ', '; ' || ? || '; ') > 0 "
                                           "THEN source ELSE source || '; ' || ? END "
                                           "WHERE id IN (%2)")
                                .arg(impl.table(), group.join(QLatin1Char(','))));
        if (ok) {
            q.addBindValue(now);
            q.addBindValue(source);
            q.addBindValue(source);
            ok = q.exec();
        }
        if (!ok) {
            *error = errorOf(q.lastError(), impl.path);
            return false;
        }
        if (q.numRowsAffected() != int(group.size())) {
            *error = ArchiveError::of(ArchiveError::Kind::NotStored, impl.path,
                QStringLiteral("%1 ≠ %2").arg(q.numRowsAffected()).arg(group.size()));
            return false;
        }
    }
    return true;
}

// The sets the archive holds.
bool countSets(const Archive::Impl& impl, qint64* count, ArchiveError* error)
{
    QSqlQuery q(impl.db());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(impl.table())) || !q.next()) {
        *error = errorOf(q.lastError(), impl.path);
        return false;
    }
    *count = q.value(0).toLongLong();
    return true;
}

} // namespace

AddOutcome Archive::add(
    const DataSetStore& store, const MemoryImage& image, const QString& source, const AddedAs& as)
{
    AddOutcome out;
    if (!m_impl->writable(&out.error))
        return out;
    const QByteArray& bytes = image.data();
    for (int k = 0; k < store.setCount(); ++k) {
        const qint64 s = store.startOffset(k);
        const qint64 e = store.endOffset(k);
        if (s < 0 || e < s || e >= bytes.size()) {
            out.error = ArchiveError::of(
                ArchiveError::Kind::OutsideImage, m_impl->path, QString::number(k + 1));
            return out;
        }
    }
    // Hashed before the transaction: other programs wait for the archive only while it is
    // written.
    Sha256 sha256;
    std::vector<QByteArray> hashes;
    hashes.reserve(std::size_t(store.setCount()));
    for (int k = 0; k < store.setCount(); ++k) {
        const qint64 s = store.startOffset(k);
        hashes.push_back(sha256.hash(QByteArrayView(bytes).sliced(s, store.endOffset(k) - s + 1)));
    }
    Transaction write(*m_impl, Transaction::Kind::Write, &out.error);
    if (!write.begun())
        return out;
    // The sets already there that could be one of these: every set whose start lies within
    // this add's, read at once (a memory's sets span days, not the archive's years).
    double from = std::numeric_limits<double>::infinity();
    double to = -from;
    for (int k = 0; k < store.setCount(); ++k) {
        from = std::min(from, store.startTime(k));
        to = std::max(to, store.startTime(k));
    }
    qint64 before = 0;
    KnownSets known;
    bool ok = countSets(*m_impl, &before, &out.error)
        && (store.setCount() == 0 || known.load(*m_impl, from, to, &out.error));
    QSqlQuery insert(m_impl->db());
    ok = ok
        && insert.prepare(QStringLiteral("INSERT INTO %1 (start, interval, samples, celsius, "
                                         "sha256, data, added, source, last_seen, kind, machine, "
                                         "user_name, meter) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                         "?, ?, ?, ?)")
                              .arg(m_impl->table()));
    const qint64 now = toMs(m_impl->clock->now().toUTC());
    std::vector<qint64> found;
    for (int k = 0; ok && k < store.setCount(); ++k) {
        const SetKey key { store.startTime(k), store.interval(k), store.sampleCount(k),
            store.celsius(k), hashes[std::size_t(k)] };
        if (const std::optional<qint64> id = known.find(key)) {
            found.push_back(*id);
            ++out.knownSets;
        } else {
            insert.bindValue(0, key.start);
            insert.bindValue(1, key.interval);
            insert.bindValue(2, key.samples);
            insert.bindValue(3, key.celsius ? 1 : 0);
            insert.bindValue(4, key.sha256);
            // Bound without a copy: the statement reads the bytes while it runs.
            const qint64 s = store.startOffset(k);
            insert.bindValue(
                5, QByteArray::fromRawData(bytes.constData() + s, store.endOffset(k) - s + 1));
            insert.bindValue(6, now);
            insert.bindValue(7, source);
            insert.bindValue(8, now);
            // Never NULL: the columns say "none" as an empty text.
            insert.bindValue(9, as.kind.isEmpty() ? QStringLiteral("logger") : as.kind);
            insert.bindValue(10, m_impl->machine);
            insert.bindValue(11, m_impl->user);
            insert.bindValue(12, as.meter.isNull() ? QStringLiteral("") : as.meter);
            ok = insert.exec();
            if (!ok)
                out.error = errorOf(insert.lastError(), m_impl->path);
            const qint64 added = ok ? insert.lastInsertId().toLongLong() : 0;
            if (ok)
                known.add(key, added); // twice in one memory
            ok = ok
                && writeReadings(*m_impl,
                    { added, QByteArrayView(bytes).sliced(s, store.endOffset(k) - s + 1), key.start,
                        key.interval, key.celsius },
                    &out.error);
            ++out.newSets;
        }
        if (ok && m_addStepHook)
            m_addStepHook(k);
    }
    // The sets found again: their last sighting, and this source among theirs.
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    ok = ok && markSeen(*m_impl, found, now, source, &out.error);
    // What the add says it stored must be what the file holds.
    qint64 after = 0;
    ok = ok && countSets(*m_impl, &after, &out.error);
    if (ok && after != before + out.newSets) {
        ok = false;
        out.error = ArchiveError::of(ArchiveError::Kind::NotStored, m_impl->path,
            QStringLiteral("%1 ≠ %2").arg(after).arg(before + out.newSets));
    }
    ok = ok && write.commit(&out.error);
    if (!ok) {
        out.newSets = out.knownSets = 0;
        if (!out.error.failed())
            out.error = ArchiveError::of(ArchiveError::Kind::Database, m_impl->path);
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace tc4dl::archive
