#include "JournalWriter.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

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
    m_samples = 0;
    m_notes = 0;
    m_records = 0;
    m_syncedSamples = 0;
    m_capacity = header.samplesAsked;
    QDir().mkpath(QFileInfo(path).absolutePath());
    m_file.setFileName(path);
    // Unbuffered: every write goes to the system at once, nothing waits in this process.
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    JournalHeader written = header;
    written.version = kVersion;
    const QByteArray bytes = encodeHeader(written);
    m_allocated = kHeaderSize + qint64(m_capacity) * kRecordSize;
    if (m_file.write(bytes) != bytes.size() || !m_file.resize(m_allocated)) {
        close();
        return false;
    }
    m_used = kHeaderSize;
    sync(nowMs);
    return true;
}

bool JournalWriter::append(const JournalSample& sample, qint64 nowMs)
{
    if (!m_file.isOpen() || m_samples >= m_capacity)
        return false;
    char record[kRecordSize];
    encodeRecordInto(record, sample, m_records);
    if (!writeRecord(record, kRecordSize))
        return false;
    ++m_samples;
    timePassed(nowMs);
    return true;
}

bool JournalWriter::appendNote(const JournalNote& note, qint64 nowMs)
{
    if (!m_file.isOpen() || m_notes >= kMaxNotes)
        return false;
    const std::optional<QByteArray> record = encodeNote(note, m_records);
    if (!record)
        return false;
    // The samples still to come keep their room behind the note.
    const qint64 needed = m_used + record->size() + qint64(m_capacity - m_samples) * kRecordSize;
    if (needed > m_allocated) {
        if (!m_file.resize(needed)) {
            close();
            return false;
        }
        m_allocated = needed;
    }
    if (!writeRecord(record->constData(), record->size()))
        return false;
    ++m_notes;
    timePassed(nowMs);
    return true;
}

bool JournalWriter::writeRecord(const char* data, qint64 size)
{
    // A full disk or a vanished folder: a half-written record is recognised by its check,
    // and nothing after it would be read back anyway.
    if (!writeAt(m_used, data, size)) {
        close();
        return false;
    }
    m_used += size;
    ++m_records;
    return true;
}

void JournalWriter::timePassed(qint64 nowMs)
{
    if (m_file.isOpen() && m_syncedBytes != m_used && nowMs - m_lastSyncMs >= kSyncIntervalMs)
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
    m_syncedSamples = m_samples;
    m_syncedBytes = m_used;
    m_lastSyncMs = nowMs;
    ++m_syncRequests;
}

void JournalWriter::finish()
{
    if (!m_file.isOpen())
        return;
    // The samples taken and nothing after them: the file as a reader should find it.
    m_syncer.drain();
    m_file.resize(m_used);
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
