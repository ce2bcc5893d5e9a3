#include "JournalWriter.h"

#include <QDir>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <unistd.h>
#endif

namespace tc4dl::journal {

JournalWriter::JournalWriter(JournalSyncer::Mode mode)
    : m_syncer(mode)
{
}

JournalWriter::~JournalWriter()
{
    close();
}

bool JournalWriter::begin(const QString& path, const JournalHeader& header, qint64 nowMs)
{
    close();
    m_records = 0;
    m_syncedRecords = 0;
    m_capacity = header.samplesAsked;
    QDir().mkpath(QFileInfo(path).absolutePath());
    m_file.setFileName(path);
    // Unbuffered: every write goes to the system at once, nothing waits in this process.
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = encodeHeader(header);
    const qint64 full = kHeaderSize + qint64(m_capacity) * kRecordSize;
    if (m_file.write(bytes) != bytes.size() || !m_file.resize(full)) {
        close();
        return false;
    }
    sync(nowMs);
    return true;
}

bool JournalWriter::append(const JournalSample& sample, qint64 nowMs)
{
    if (!m_file.isOpen() || m_records >= m_capacity)
        return false;
    char record[kRecordSize];
    encodeRecordInto(record, sample, m_records);
    // A full disk or a vanished folder: a half-written record is recognised by its check,
    // and nothing after it would be read back anyway.
    if (!writeAt(usedBytes(), record, kRecordSize)) {
        close();
        return false;
    }
    ++m_records;
    timePassed(nowMs);
    return true;
}

void JournalWriter::timePassed(qint64 nowMs)
{
    if (m_file.isOpen() && m_syncedRecords != m_records && nowMs - m_lastSyncMs >= kSyncIntervalMs)
        sync(nowMs);
}

bool JournalWriter::writeAt(qint64 offset, const char* data, qint64 size)
{
#ifdef Q_OS_WIN
    return m_file.seek(offset) && m_file.write(data, size) == size;
#else
    // One call, no shared file position to move: the background sync never races it.
    ssize_t written;
    do {
        written = ::pwrite(m_file.handle(), data, size_t(size), off_t(offset));
    } while (written < 0 && errno == EINTR);
    return written == size;
#endif
}

void JournalWriter::sync(qint64 nowMs)
{
    m_syncer.request({ m_file.handle() });
    m_syncedRecords = m_records;
    m_lastSyncMs = nowMs;
    ++m_syncRequests;
}

void JournalWriter::finish()
{
    if (!m_file.isOpen())
        return;
    // The samples taken and nothing after them: the file as a reader should find it.
    m_syncer.drain();
    m_file.resize(usedBytes());
    sync(m_lastSyncMs);
    close();
}

void JournalWriter::discard(const QString& path)
{
    close();
    if (!path.isEmpty())
        QFile::remove(path);
}

void JournalWriter::close()
{
    if (!m_file.isOpen())
        return;
    // The worker may still be syncing this file.
    m_syncer.drain();
    m_file.close();
}

} // namespace tc4dl::journal
