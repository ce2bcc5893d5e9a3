#include "GraphStateFile.h"

#include "FileTarget.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace tc4dl::chart {

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// How much is read at a time; also the most read beyond what a stream really delivers.
constexpr qint64 kReadChunk = 64 * 1024;

// The fixed start of every state block, magic number and format version, taken from an empty
// model's block so that it can never disagree with the block's own format.
constexpr qsizetype kBlockHeaderBytes = 8;
const QByteArray& blockHeader()
{
    static const QByteArray header = ChartModel().storeState().first(kBlockHeaderBytes);
    return header;
}

} // namespace

QByteArray graphFileSha256(const ChartModel& model)
{
    const QByteArray block = model.storeState();
    char length[4];
    qToLittleEndian(static_cast<quint32>(block.size()), length);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayView(length, 4));
    hash.addData(block);
    return hash.result();
}

bool saveGraphState(const ChartModel& model, const QString& path, QString* error)
{
    const QByteArray block = model.storeState();
    // What could not be read back is not written.
    if (block.size() > kMaxGraphStateBytes)
        return fail(
            error, QStringLiteral("Cannot create file \"%1\". The graph is too large.").arg(path));

    char length[4];
    qToLittleEndian(static_cast<quint32>(block.size()), length);
    QString reason;
    switch (writeWhole(
        path,
        [&](QIODevice& out) {
            return out.write(length, 4) == 4 && out.write(block) == block.size();
        },
        &reason)) {
    case WriteOutcome::Written:
        return true;
    case WriteOutcome::CannotCreate:
        return fail(error, QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
    case WriteOutcome::WriteFailed:
        break;
    }
    return fail(error, QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
}

bool loadGraphState(ChartModel& model, const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(
            error, QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));

    uchar length[4];
    if (file.read(reinterpret_cast<char*>(length), 4) != 4)
        return fail(error, kStreamReadError);
    const qint64 n = qFromLittleEndian<quint32>(length);

    // The fixed header first: a file that is not a graph of this program's format is turned
    // away after twelve bytes, whatever length it declares.
    const qint64 headerBytes = std::min<qint64>(n, kBlockHeaderBytes);
    QByteArray block = file.read(headerBytes);
    if (block.size() != headerBytes)
        return fail(error, kStreamReadError);
    if (!block.startsWith(blockHeader()))
        return model.loadState(block, error); // says which: magic number, version or truncation

    // The length field is not trusted: it must fit a graph the model can hold, and the block
    // must really be in the file, before anything is allocated for it.
    if (n > kMaxGraphStateBytes)
        return fail(error,
            QStringLiteral("The graph file declares a state block of %1 bytes; a graph "
                           "of this program never takes more than %2.")
                .arg(n)
                .arg(kMaxGraphStateBytes));
    if (!file.isSequential() && file.size() - 4 < n)
        return fail(error, kStreamReadError);

    // A pipe or a device has no size to check against: the block grows only by what has
    // arrived, one bounded chunk at a time.
    while (block.size() < n) {
        const QByteArray part = file.read(std::min(kReadChunk, n - block.size()));
        if (part.isEmpty())
            return fail(error, kStreamReadError);
        block.append(part);
    }
    return model.loadState(block, error);
}

} // namespace tc4dl::chart
