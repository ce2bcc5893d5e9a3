// Graph-state files (the graph template and ".ghf" graph files) fed hostile bytes from disk.
// Rules:
// - a file shorter than its length field says gives "Stream read error" and changes nothing;
// - otherwise the file loads exactly as its block would, with the same error text when not,
//   and bytes after the block are not looked at;
// - a rejected file leaves the model exactly as it was.

#include "FuzzRule.h"
#include "GraphStateFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

using namespace tc4dl::chart;

namespace {

ChartModel modelBefore()
{
    ChartModel m;
    m.setSubsets(2);
    m.setPoints(3);
    m.setY(0, 1, 12.5);
    m.look.subTitle = QStringLiteral("before");
    return m;
}

QString scratchFile()
{
    static QTemporaryDir dir;
    FUZZ_RULE(dir.isValid());
    return dir.filePath(QStringLiteral("input.ghf"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static const QString path = scratchFile();
    static const QByteArray stateBefore = modelBefore().storeState();
    {
        QFile file(path);
        FUZZ_RULE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_RULE(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size))
            == static_cast<qint64>(size));
    }

    ChartModel m = modelBefore();
    QString error;
    const bool loaded = loadGraphState(m, path, &error);

    if (size < 4 || qFromLittleEndian<quint32>(data) > size - 4) {
        FUZZ_RULE(!loaded);
        FUZZ_RULE(error == kStreamReadError);
        FUZZ_RULE(m.storeState() == stateBefore);
        return 0;
    }
    const QByteArrayView block(data + 4, qFromLittleEndian<quint32>(data));
    ChartModel direct = modelBefore();
    QString directError;
    const bool directLoaded = direct.loadState(block, &directError);
    FUZZ_RULE(loaded == directLoaded);
    FUZZ_RULE(error == directError);
    FUZZ_RULE(m.storeState() == (loaded ? QByteArray(block.toByteArray()) : stateBefore));
    return 0;
}
