#include "GraphStateFile.h"

#include <QFile>
#include <QSaveFile>
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

// The magic number that starts every state block, taken from an empty model's block so that
// it can never disagree with the block's own format.
const QByteArray& blockMagic()
{
    static const QByteArray magic = ChartModel().storeState().first(4);
    return magic;
}

} // namespace

bool saveGraphState(const ChartModel& model, const QString& path, QString* error)
{
    const QByteArray block = model.storeState();
    if (static_cast<quint64>(block.size()) > 0xFFFFFFFFull)
        return fail(
            error, QStringLiteral("Cannot create file \"%1\". The graph is too large.").arg(path));

    QSaveFile file(path);
    // An existing file the user may write is replaced also in a folder they may not write to.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return fail(
            error, QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));

    char length[4];
    qToLittleEndian(static_cast<quint32>(block.size()), length);
    if (file.write(length, 4) != 4 || file.write(block) != block.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(error, QStringLiteral("Cannot write file \"%1\". %2").arg(path, reason));
    }
    if (!file.commit())
        return fail(
            error, QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
    return true;
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
    // The length field is not trusted: the block must really be in the file before it is
    // read, so a hostile length cannot make us allocate beyond the file's size.
    if (!file.isSequential() && file.size() - 4 < n)
        return fail(error, kStreamReadError);

    // A pipe or a device has no size to check against: the block grows only by what has
    // arrived, one bounded chunk at a time, and a stream that is not a state block at all
    // (a device full of zeros, say) is turned away after its first bytes instead of after
    // the 4 GiB its length field may claim.
    QByteArray block;
    const QByteArray& magic = blockMagic();
    bool magicChecked = false;
    while (block.size() < n) {
        const QByteArray part = file.read(std::min(kReadChunk, n - block.size()));
        if (part.isEmpty())
            return fail(error, kStreamReadError);
        block.append(part);
        if (!magicChecked && block.size() >= magic.size()) {
            magicChecked = true;
            if (!block.startsWith(magic))
                return model.loadState(block, error); // says "wrong magic number"
        }
    }
    return model.loadState(block, error);
}

} // namespace tc4dl::chart
