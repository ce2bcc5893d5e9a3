#include "CollectionFile.h"

#include "FileTarget.h"
#include "MemoryHeader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tc4dl {

namespace {

constexpr qint64 kFileSlack = 257; // the header's 256 bytes and the byte at LastAddress

} // namespace

QString transferFilePath(const QString& programFolder, const QString& userDataFolder)
{
    const QString name = QStringLiteral("temp/") + QLatin1String(kTransferFileName);
    const QFileInfo temp(QDir(programFolder).filePath(QStringLiteral("temp")));
    const bool programUsable
        = temp.isDir() ? temp.isWritable() : QFileInfo(programFolder).isWritable();
    if (programUsable || userDataFolder.isEmpty())
        return QDir(programFolder).filePath(name);
    return QDir(userDataFolder).filePath(name);
}

namespace {

bool writeBytes(const QString& path, const char* bytes, qint64 length, QString* error)
{
    auto failed = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return failed(QStringLiteral("%1: the folder cannot be made").arg(folder));
    QString why;
    if (writeWhole(
            path, [&](QIODevice& out) { return out.write(bytes, length) == length; }, &why)
        != WriteOutcome::Written)
        return failed(QStringLiteral("%1: %2").arg(path, why));
    return true;
}

} // namespace

QByteArray collectionBytes(const MemoryImage& image)
{
    const std::optional<quint32> last = MemoryHeader::readLastAddress(image.bytes());
    if (!last)
        return {};
    const qint64 length = std::min<qint64>(static_cast<qint64>(*last) + kFileSlack, image.size());
    return image.data().left(length);
}

bool writeTransferFile(const MemoryImage& image, const QString& path, QString* error)
{
    return writeTransferFile(collectionBytes(image), path, error);
}

bool writeTransferFile(const QByteArray& bytes, const QString& path, QString* error)
{
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("The memory image is too short to hold a header.");
        return false;
    }
    return writeBytes(path, bytes.constData(), bytes.size(), error);
}

bool writeReceivedImage(const MemoryImage& image, const QString& path, QString* error)
{
    return writeBytes(path, image.data().constData(), image.size(), error);
}

CollectionRead readCollectionFile(const QString& path, MemoryImage& image)
{
    image.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { CollectionRead::Status::CannotOpen,
            QStringLiteral("%1: %2").arg(path, file.errorString()) };
    if (!file.isSequential() && file.size() > kMaxCollectionFileBytes)
        return { CollectionRead::Status::TooLarge,
            QStringLiteral("%1 is %2 bytes long; a logger memory never exceeds %3 bytes.")
                .arg(path)
                .arg(file.size())
                .arg(kMaxCollectionFileBytes) };
    // One byte more than allowed tells a device or a growing file that is too long.
    QByteArray bytes = file.read(kMaxCollectionFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return { CollectionRead::Status::CannotOpen,
            QStringLiteral("%1: %2").arg(path, file.errorString()) };
    if (bytes.size() > kMaxCollectionFileBytes)
        return { CollectionRead::Status::TooLarge,
            QStringLiteral("%1 is longer than %2 bytes; a logger memory never is.")
                .arg(path)
                .arg(kMaxCollectionFileBytes) };
    if (bytes.isEmpty())
        return { CollectionRead::Status::Empty, QStringLiteral("%1 is empty.").arg(path) };
    const std::optional<quint32> last = MemoryHeader::readLastAddress(bytes);
    image = MemoryImage(std::move(bytes), last ? static_cast<qint64>(*last) : -1);
    return { CollectionRead::Status::Read, {} };
}

} // namespace tc4dl
