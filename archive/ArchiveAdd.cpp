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
        bool ok = q.prepare(QStringLiteral("UPDATE %1 SET last_seen = ?, source = CASE WHEN %2 "
                                           "THEN source ELSE source || '; ' || ? END "
                                           "WHERE id IN (%3)")
                                .arg(impl.table(),
                                    impl.dialect->holds(QStringLiteral("'; ' || source || '; '"),
                                        QStringLiteral("'; ' || ? || '; '")),
                                    group.join(QLatin1Char(','))));
        if (ok) {
            q.addBindValue(now);
            q.addBindValue(source);
            q.addBindValue(source);
            ok = q.exec();
        }
        if (!ok) {
            *error = impl.errorOf(q.lastError());
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
        *error = impl.errorOf(q.lastError());
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
        && insert.prepare(QStringLiteral("INSERT INTO %1 (id, start, interval, samples, celsius, "
                                         "sha256, data, added, source, last_seen, kind, machine, "
                                         "user_name, meter) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
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
            // The id where the database does not give it (one that counts only sets stored).
            qint64 given = 0;
            ok = m_impl->dialect->nextId(*m_impl, &given, &out.error);
            insert.bindValue(
                0, given > 0 ? QVariant(given) : QVariant(QMetaType::fromType<qint64>()));
            insert.bindValue(1, key.start);
            insert.bindValue(2, key.interval);
            insert.bindValue(3, key.samples);
            insert.bindValue(4, key.celsius ? 1 : 0);
            insert.bindValue(5, key.sha256);
            // Bound without a copy: the statement reads the bytes while it runs.
            const qint64 s = store.startOffset(k);
            insert.bindValue(
                6, QByteArray::fromRawData(bytes.constData() + s, store.endOffset(k) - s + 1));
            insert.bindValue(7, now);
            insert.bindValue(8, source);
            insert.bindValue(9, now);
            // Never NULL: the columns say "none" as an empty text.
            insert.bindValue(10, as.kind.isEmpty() ? QStringLiteral("logger") : as.kind);
            insert.bindValue(11, m_impl->machine);
            insert.bindValue(12, m_impl->user);
            insert.bindValue(13, as.meter.isNull() ? QStringLiteral("") : as.meter);
            ok = ok && insert.exec();
            if (!ok && !out.error.failed())
                out.error = m_impl->errorOf(insert.lastError());
            const qint64 added = !ok ? 0 : given > 0 ? given : insert.lastInsertId().toLongLong();
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
