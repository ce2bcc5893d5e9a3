// Copying the sets of one archive into another, of either engine: the way from an SQLite file
// to a lab's server and back.

#include "ArchiveDb.h"

#include "ArchiveReadings.h"
#include "ArchiveSets.h"
#include "Sha256.h"

#include <algorithm>
#include <limits>

namespace tc4dl::archive {

namespace {

// A set as it is copied: its identity, its bytes and everything the archive knows of it.
struct CopiedSet {
    SetKey key;
    QByteArray bytes;
    QVariantList fields; // added, source, last_seen, note, kind, meter, machine, user_name
};

// The fields beside the bytes, as the source's version keeps them.
QString copiedColumns(int version)
{
    if (version >= 3)
        return QStringLiteral("added, source, last_seen, note, kind, meter, machine, user_name");
    return version >= 2 ? QStringLiteral("added, source, last_seen, note, 'logger', '', '', ''")
                        : QStringLiteral("added, source, added, '', 'logger', '', '', ''");
}

// Every set of the source, read and checked inside the caller's read transaction.
bool readAll(const Archive::Impl& impl, std::vector<CopiedSet>* sets, ArchiveError* error)
{
    std::vector<ArchivedSet> listed;
    if (!readSets(impl, QStringLiteral("1 = 1"), {}, &listed, error))
        return false;
    std::sort(listed.begin(), listed.end(),
        [](const ArchivedSet& a, const ArchivedSet& b) { return a.id < b.id; });
    QSqlQuery q(impl.db());
    q.prepare(QStringLiteral("SELECT data, sha256, %1 FROM %2 WHERE id = ? AND length(data) <= %3")
                  .arg(copiedColumns(impl.version), impl.table())
                  .arg(kLongestSetBytes));
    Sha256 sha256;
    for (const ArchivedSet& s : listed) {
        q.bindValue(0, s.id);
        if (!q.exec()) {
            *error = impl.errorOf(q.lastError());
            return false;
        }
        // A set whose bytes are not what its hash or its row say is never copied as sound.
        const bool there = q.next();
        const QByteArray bytes = there ? q.value(0).toByteArray() : QByteArray();
        if (!there || s.doubtful || sha256.hash(bytes) != q.value(1).toByteArray()) {
            *error = ArchiveError::of(
                ArchiveError::Kind::DamagedSet, impl.path, QString::number(s.id));
            return false;
        }
        CopiedSet c { { s.start, s.interval, s.samples, s.celsius, q.value(1).toByteArray() },
            bytes, {} };
        for (int i = 2; i < 10; ++i)
            c.fields << q.value(i);
        sets->push_back(std::move(c));
        q.finish();
    }
    return true;
}

} // namespace

CopyOutcome Archive::copySetsTo(Archive& target) const
{
    CopyOutcome out;
    Impl& to = *target.m_impl;
    if (to.path == m_impl->path) {
        out.error = ArchiveError::of(ArchiveError::Kind::TargetIsArchive, to.path);
        return out;
    }
    if (!to.writable(&out.error))
        return out;
    std::vector<CopiedSet> sets;
    {
        Transaction read(*m_impl, Transaction::Kind::Read, &out.error);
        if (!read.begun() || !readAll(*m_impl, &sets, &out.error))
            return out;
        read.commit(nullptr);
    }
    Transaction write(to, Transaction::Kind::Write, &out.error);
    if (!write.begun())
        return out;
    double from = std::numeric_limits<double>::infinity();
    double last = -from;
    for (const CopiedSet& s : sets) {
        from = std::min(from, s.key.start);
        last = std::max(last, s.key.start);
    }
    KnownSets known;
    bool ok = sets.empty() || known.load(to, from, last, &out.error);
    QSqlQuery insert(to.db());
    ok = ok
        && insert.prepare(QStringLiteral("INSERT INTO %1 (id, start, interval, samples, celsius, "
                                         "sha256, data, added, source, last_seen, note, kind, "
                                         "meter, machine, user_name) VALUES (?, ?, ?, ?, ?, ?, ?, "
                                         "?, ?, ?, ?, ?, ?, ?, ?)")
                              .arg(to.table()));
    for (const CopiedSet& s : sets) {
        if (!ok)
            break;
        if (known.find(s.key)) {
            ++out.present;
            continue;
        }
        qint64 given = 0;
        ok = to.dialect->nextId(to, &given, &out.error);
        insert.bindValue(0, given > 0 ? QVariant(given) : QVariant(QMetaType::fromType<qint64>()));
        insert.bindValue(1, s.key.start);
        insert.bindValue(2, s.key.interval);
        insert.bindValue(3, s.key.samples);
        insert.bindValue(4, s.key.celsius ? 1 : 0);
        insert.bindValue(5, s.key.sha256);
        insert.bindValue(6, s.bytes);
        for (int i = 0; i < s.fields.size(); ++i)
            insert.bindValue(7 + i, s.fields[i]);
        ok = ok && insert.exec();
        if (!ok && !out.error.failed())
            out.error = to.errorOf(insert.lastError());
        const qint64 id = !ok ? 0 : given > 0 ? given : insert.lastInsertId().toLongLong();
        if (ok)
            known.add(s.key, id);
        ok = ok
            && writeReadings(
                to, { id, s.bytes, s.key.start, s.key.interval, s.key.celsius }, &out.error);
        ++out.copied;
    }
    ok = ok && write.commit(&out.error);
    if (!ok) {
        out.copied = out.present = 0;
        if (!out.error.failed())
            out.error = ArchiveError::of(ArchiveError::Kind::Database, to.path);
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace tc4dl::archive
