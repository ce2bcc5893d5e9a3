#include "JournalWriter.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

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
    m_map = m_file.map(0, full);
    sync(nowMs);
    return true;
}

bool JournalWriter::append(const JournalSample& sample, qint64 nowMs)
{
    if (!m_file.isOpen() || m_records >= m_capacity)
        return false;
    const qint64 at = usedBytes();
    if (m_map) {
        encodeRecordInto(reinterpret_cast<char*>(m_map + at), sample, m_records);
    } else {
        char record[kRecordSize];
        encodeRecordInto(record, sample, m_records);
        // A full disk or a vanished folder: a half-written record is recognised by its
        // check, and nothing after it would be read back anyway.
        if (!m_file.seek(at) || m_file.write(record, kRecordSize) != kRecordSize) {
            close();
            return false;
        }
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

void JournalWriter::sync(qint64 nowMs)
{
    m_syncer.request({m_file.handle(), m_map, usedBytes()});
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
    if (m_map)
        m_file.unmap(std::exchange(m_map, nullptr));
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
    if (m_map)
        m_file.unmap(std::exchange(m_map, nullptr));
    m_file.close();
}

} // namespace tc4dl::journal
