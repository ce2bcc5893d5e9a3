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

} // namespace

bool saveGraphState(const ChartModel& model, const QString& path, QString* error)
{
    const QByteArray block = model.storeState();
    if (static_cast<quint64>(block.size()) > 0xFFFFFFFFull)
        return fail(
            error, QStringLiteral("Cannot create file \"%1\". The graph is too large.").arg(path));

    QSaveFile file(path);
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

    QByteArray block;
    constexpr qint64 kChunk = 1 << 20;
    while (block.size() < n) {
        const QByteArray part = file.read(std::min(kChunk, n - block.size()));
        if (part.isEmpty())
            return fail(error, kStreamReadError);
        block.append(part);
    }
    return model.loadState(block, error);
}

} // namespace tc4dl::chart
