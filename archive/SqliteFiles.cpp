#include "SqliteFiles.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QtEndian>

#include <cstring>
#include <map>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tc4dl::archive::sqlitefiles {

namespace {

struct Registry {
    QMutex mutex;
    std::map<std::pair<quint64, quint64>, int> counts;
};

Registry& registry()
{
    static Registry r;
    return r;
}

bool identity(const QString& path, quint64* device, quint64* inode)
{
#ifdef Q_OS_UNIX
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *device = quint64(st.st_dev);
    *inode = quint64(st.st_ino);
    return true;
#else
    Q_UNUSED(path);
    Q_UNUSED(device);
    Q_UNUSED(inode);
    return false;
#endif
}

QString stamped(const QString& base, const QDateTime& now)
{
    const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMddTHHmmss"));
    QString candidate = QStringLiteral("%1-%2").arg(base, stamp);
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = QStringLiteral("%1-%2-%3").arg(base, stamp).arg(n);
    return candidate;
}

#ifdef Q_OS_UNIX

// SQLite's lock bytes in the database file (its unix file locking): PENDING at 1 GiB, RESERVED
// after it, then the 510 bytes of SHARED. A write lock over all of them is its EXCLUSIVE lock;
// a program that has the database open in WAL mode holds SHARED for as long as it does.
constexpr off_t kPendingByte = 0x40000000;
constexpr off_t kLockBytes = 2 + 510;

// SQLite's exclusive lock on a database, taken without waiting, or only tested where the file
// can only be read (a read descriptor cannot hold a write lock).
class ExclusiveLock {
public:
    explicit ExclusiveLock(const QString& path)
    {
        const QByteArray name = QFile::encodeName(path);
        m_fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
        if (m_fd < 0) {
            m_fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
            m_testedOnly = true;
        }
        if (m_fd < 0)
            return;
        struct flock lock { };
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = kPendingByte;
        lock.l_len = kLockBytes;
        if (m_testedOnly)
            m_free = ::fcntl(m_fd, F_GETLK, &lock) == 0 && lock.l_type == F_UNLCK;
        else
            m_free = ::fcntl(m_fd, F_SETLK, &lock) == 0;
    }
    ~ExclusiveLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

    // No program held any of SQLite's locks on the file.
    [[nodiscard]] bool free() const { return m_free; }
    // ... and none can take one until this lock ends.
    [[nodiscard]] bool held() const { return m_free && !m_testedOnly; }

private:
    int m_fd = -1;
    bool m_testedOnly = false;
    bool m_free = false;
};

quint32 bigEndian(const QByteArray& b, int at)
{
    return quint32(quint8(b[at])) << 24 | quint32(quint8(b[at + 1])) << 16
        | quint32(quint8(b[at + 2])) << 8 | quint32(quint8(b[at + 3]));
}

quint32 nativeWord(const QByteArray& b, int at)
{
    quint32 v = 0;
    std::memcpy(&v, b.constData() + at, sizeof v);
    return v;
}

// A log SQLite would read: its header passes its checksum and its first frame carries the
// header's salt. Anything else SQLite takes for an empty log.
bool logHasFrames(const QString& log, QByteArray* salt)
{
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    constexpr int kHeader = 32;
    constexpr int kFrameHeader = 24;
    const QByteArray head = f.read(kHeader + kFrameHeader);
    if (head.size() < kHeader + kFrameHeader)
        return false;
    const quint32 magic = bigEndian(head, 0);
    const quint32 pageSize = bigEndian(head, 8);
    if ((magic != 0x377f0682 && magic != 0x377f0683) || bigEndian(head, 4) != 3007000
        || pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return false;
    // The checksum of the first 24 bytes, in the byte order the magic names.
    const bool big = magic & 1;
    quint32 s0 = 0;
    quint32 s1 = 0;
    for (int i = 0; i < 24; i += 8) {
        const quint32 x0
            = big ? bigEndian(head, i) : qFromLittleEndian<quint32>(head.constData() + i);
        const quint32 x1
            = big ? bigEndian(head, i + 4) : qFromLittleEndian<quint32>(head.constData() + i + 4);
        s0 += x0 + s1;
        s1 += x1 + s0;
    }
    if (s0 != bigEndian(head, 24) || s1 != bigEndian(head, 28))
        return false;
    if (f.size() < kHeader + kFrameHeader + pageSize || head.mid(kHeader + 8, 8) != head.mid(16, 8))
        return false;
    *salt = head.mid(16, 8);
    return true;
}

// The salt the index beside a log was built for; empty when there is no sound index.
QByteArray indexSalt(const QString& index)
{
    QFile f(index);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // Two copies of the index header, 48 bytes each, in the machine's byte order.
    constexpr int kCopy = 48;
    const QByteArray head = f.read(2 * kCopy);
    if (head.size() < 2 * kCopy || head.left(kCopy) != head.mid(kCopy, kCopy)
        || nativeWord(head, 0) != 3007000 || head[12] != 1)
        return {};
    return head.mid(32, 8);
}

void setLogAside(const QString& log, const QDateTime& now, QString* aside)
{
    const QString target = stamped(log + QStringLiteral(".stray"), now);
    if (QFile::rename(log, target))
        *aside = target;
}

#endif

} // namespace

OpenHere::OpenHere(const QString& path)
{
    if (!identity(path, &m_device, &m_inode))
        return;
    Registry& r = registry();
    const QMutexLocker locker(&r.mutex);
    ++r.counts[{ m_device, m_inode }];
    m_counted = true;
}

OpenHere::~OpenHere()
{
    if (!m_counted)
        return;
    Registry& r = registry();
    const QMutexLocker locker(&r.mutex);
    const auto it = r.counts.find({ m_device, m_inode });
    if (it != r.counts.end() && --it->second <= 0)
        r.counts.erase(it);
}

bool OpenHere::contains(const QString& path)
{
    quint64 device = 0;
    quint64 inode = 0;
    if (!identity(path, &device, &inode))
        return false;
    Registry& r = registry();
    const QMutexLocker locker(&r.mutex);
    return r.counts.count({ device, inode }) > 0;
}

Journal inspectJournal(const QString& database, bool setAside, const QDateTime& now, QString* aside)
{
    Journal j;
    j.log = database + QStringLiteral("-wal");
#ifdef Q_OS_UNIX
    const QFileInfo log(j.log);
    if (!log.isFile() || log.size() == 0)
        return j;
    if (OpenHere::contains(database)) {
        j.state = JournalState::InUse;
        return j;
    }
    QByteArray salt;
    // A log beside no database, or an empty one: nothing of this database can be in it.
    if (const QFileInfo file(database); !file.exists() || file.size() == 0) {
        if (!logHasFrames(j.log, &salt))
            return j;
        j.state = JournalState::Stray;
        if (setAside)
            setLogAside(j.log, now, aside);
        return j;
    }
    const ExclusiveLock lock(database);
    if (!lock.free()) {
        j.state = JournalState::InUse;
        return j;
    }
    if (!logHasFrames(j.log, &salt))
        return j;
    j.state = indexSalt(database + QStringLiteral("-shm")) == salt ? JournalState::Own
                                                                   : JournalState::Stray;
    if (j.state == JournalState::Stray && setAside && lock.held())
        setLogAside(j.log, now, aside);
#else
    Q_UNUSED(setAside);
    Q_UNUSED(now);
    Q_UNUSED(aside);
#endif
    return j;
}

MoveAside moveAsideUnused(const QString& database, const QDateTime& now, QString* aside)
{
    if (OpenHere::contains(database))
        return MoveAside::InUse;
#ifdef Q_OS_UNIX
    const ExclusiveLock lock(database);
    if (!lock.held())
        return lock.free() ? MoveAside::Failed : MoveAside::InUse;
#endif
    *aside = stamped(database + QStringLiteral(".damaged"), now);
    if (!QFile::rename(database, *aside))
        return MoveAside::Failed;
    for (const char* suffix : { "-wal", "-shm" }) {
        const QString side = database + QLatin1String(suffix);
        if (QFileInfo::exists(side))
            QFile::rename(side, *aside + QLatin1String(suffix));
    }
    return MoveAside::Moved;
}

} // namespace tc4dl::archive::sqlitefiles
