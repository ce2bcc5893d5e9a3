#include "ArchiveDb.h"

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
    bool load(const QSqlDatabase& db, double from, double to, QString* error)
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT id, start, interval, samples, celsius, sha256 FROM sets "
                                 "WHERE start >= ? AND start <= ?"));
        q.addBindValue(from);
        q.addBindValue(to);
        if (!q.exec()) {
            *error = sqlError(q.lastError());
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

// Sets found again: last seen now, and `source` added to their sources where it is not yet.
// The ids are the archive's own integers, written into the statement in groups.
bool markSeen(const QSqlDatabase& db, const std::vector<qint64>& ids, qint64 now,
    const QString& source, QString* error)
{
    constexpr std::size_t kIdsPerStatement = 500;
    for (std::size_t first = 0; first < ids.size(); first += kIdsPerStatement) {
        QStringList group;
        for (std::size_t i = first; i < std::min(ids.size(), first + kIdsPerStatement); ++i)
            group << QString::number(ids[i]);
        QSqlQuery q(db);
        bool ok = q.prepare(QStringLiteral("UPDATE sets SET last_seen = ?, source = CASE WHEN "
                                           "instr('; ' || source || '; ', '; ' || ? || '; ') > 0 "
                                           "THEN source ELSE source || '; ' || ? END "
                                           "WHERE id IN (%1)")
                                .arg(group.join(QLatin1Char(','))));
        if (ok) {
            q.addBindValue(now);
            q.addBindValue(source);
            q.addBindValue(source);
            ok = q.exec();
        }
        if (!ok) {
            *error = sqlError(q.lastError());
            return false;
        }
    }
    return true;
}

} // namespace

AddOutcome Archive::add(const DataSetStore& store, const MemoryImage& image, const QString& source)
{
    AddOutcome out;
    if (!m_impl->writable(&out.error))
        return out;
    const QByteArray& bytes = image.data();
    for (int k = 0; k < store.setCount(); ++k) {
        const qint64 s = store.startOffset(k);
        const qint64 e = store.endOffset(k);
        if (s < 0 || e < s || e >= bytes.size()) {
            out.error = QStringLiteral("data set %1 lies outside its memory image").arg(k + 1);
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
    if (!m_impl->exec(QStringLiteral("BEGIN IMMEDIATE"), &out.error))
        return out;
    // The sets already there that could be one of these: every set whose start lies within
    // this add's, read at once (a memory's sets span days, not the archive's years).
    double from = std::numeric_limits<double>::infinity();
    double to = -from;
    for (int k = 0; k < store.setCount(); ++k) {
        from = std::min(from, store.startTime(k));
        to = std::max(to, store.startTime(k));
    }
    KnownSets known;
    bool ok = store.setCount() == 0 || known.load(m_impl->db(), from, to, &out.error);
    QSqlQuery insert(m_impl->db());
    ok = ok
        && insert.prepare(QStringLiteral("INSERT INTO sets (start, interval, samples, celsius, "
                                         "sha256, data, added, source, last_seen) VALUES (?, ?, "
                                         "?, ?, ?, ?, ?, ?, ?)"));
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
            ok = insert.exec();
            if (!ok)
                out.error = sqlError(insert.lastError());
            else
                known.add(key, insert.lastInsertId().toLongLong()); // twice in one memory
            ++out.newSets;
        }
        if (ok && m_addStepHook)
            m_addStepHook(k);
    }
    // The sets found again: their last sighting, and this source among theirs.
    ok = ok && markSeen(m_impl->db(), found, now, source, &out.error);
    if (ok)
        ok = m_impl->exec(QStringLiteral("COMMIT"), &out.error);
    if (!ok) {
        m_impl->rollback();
        out.newSets = out.knownSets = 0;
        if (out.error.isEmpty())
            out.error = QStringLiteral("the archive could not be written");
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace tc4dl::archive
