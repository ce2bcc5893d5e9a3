// The collection file reader fed hostile files. Rules:
// - an empty file is Empty and leaves the image empty; any other file (all are far below the
//   size limit here) is read whole, byte for byte;
// - MemoryEnd is the header's LastAddress, or -1 when the file is too short to hold it;
// - what was read decodes under the decoder's rules (see LoggerFuzz.h).

#include "CollectionFile.h"
#include "LoggerFuzz.h"
#include "MemoryHeader.h"

#include <QFile>
#include <QTemporaryDir>

using namespace tc4dl;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static QTemporaryDir dir;
    FUZZ_RULE(dir.isValid());
    static const QString path = dir.filePath(QStringLiteral("input.ch4"));
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    {
        QFile file(path);
        FUZZ_RULE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_RULE(file.write(bytes.data(), bytes.size()) == bytes.size());
    }

    MemoryImage image(QByteArray("left over"), 5);
    const CollectionRead read = readCollectionFile(path, image);
    if (size == 0) {
        FUZZ_RULE(read.status == CollectionRead::Status::Empty);
        FUZZ_RULE(image.isEmpty());
        return 0;
    }
    FUZZ_RULE(read.status == CollectionRead::Status::Read);
    FUZZ_RULE(image.bytes() == bytes);
    const std::optional<quint32> last = MemoryHeader::readLastAddress(bytes);
    FUZZ_RULE(image.memoryEnd() == (last ? qint64(*last) : -1));
    (void)fuzz::decodeChecked(image);
    return 0;
}
