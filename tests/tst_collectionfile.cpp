#include "CollectionFile.h"
#include "DecodeMemoryImage.h"
#include "LoggerImages.h"
#include "MemoryHeader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tc4dl;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 20, 30));

QList<loggerimages::RecordedSet> threeSets()
{
    return { loggerimages::setWithSamples(5, 1), loggerimages::RecordedSet(),
        loggerimages::setWithSamples(40, 2) };
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Reads and decodes a file as opening a collection does.
LoadResult open(const QString& path, DataSetStore& store)
{
    MemoryImage image;
    if (readCollectionFile(path, image).status != CollectionRead::Status::Read)
        return LoadResult::DataError;
    return decodeMemoryImage(image, kNow, store).result;
}

} // namespace

class TestCollectionFile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void roundTrip()
    {
        // As after a download: the image runs on to a whole block beyond LastAddress.
        QByteArray memory = loggerimages::image(threeSets());
        const qint64 last = memory.size() - 1;
        memory.append(QByteArray(64 - memory.size() % 64, '\xEE'));
        MemoryImage downloaded(memory, last);
        DataSetStore fromDownload;
        QCOMPARE(decodeMemoryImage(downloaded, kNow, fromDownload).result, LoadResult::Success);

        QString error;
        const QString transfer = path("temp/DataSetsTemp.tmp");
        QVERIFY2(writeTransferFile(downloaded, transfer, &error), qPrintable(error));
        QCOMPARE(readFile(transfer), memory.left(last + 257)); // as far as the image reaches

        DataSetStore opened;
        QCOMPARE(open(transfer, opened), LoadResult::Success);
        QVERIFY(opened == fromDownload);

        // Saved again after opening, the file's first LastAddress + 1 bytes stay the same.
        MemoryImage reread;
        QCOMPARE(readCollectionFile(transfer, reread).status, CollectionRead::Status::Read);
        QCOMPARE(reread.memoryEnd(), last);
        QVERIFY(writeTransferFile(reread, path("again.ch4"), &error));
        QCOMPARE(readFile(path("again.ch4")).left(last + 1), memory.left(last + 1));
    }

    void onlyTheUsedMemoryIsWritten()
    {
        QByteArray memory = loggerimages::image(threeSets());
        const qint64 last = memory.size() - 1;
        memory.append(QByteArray(5000, '\x33'));
        QString error;
        QVERIFY(writeTransferFile(MemoryImage(memory, last), path("long.ch4"), &error));
        QCOMPARE(readFile(path("long.ch4")), memory.left(last + 257));
    }

    void filesOfAnyLength_data()
    {
        QTest::addColumn<int>("lastAddressShift"); // header's LastAddress past the last set
        QTest::addColumn<int>("lengthShift"); // file length past the last set
        QTest::addColumn<int>("result");
        QTest::newRow("as written") << 0 << 0 << 0;
        QTest::newRow("cut a few bytes after the end mark") << 1000 << 3 << 0;
        QTest::newRow("cut right after the end mark") << 1000 << 0 << 0;
        QTest::newRow("longer than the memory") << 0 << 9000 << 0;
        QTest::newRow("last set one byte beyond LastAddress") << -1 << 0 << 1;
        QTest::newRow("end mark cut off") << 1000 << -1 << 1;
    }
    void filesOfAnyLength()
    {
        QFETCH(int, lastAddressShift);
        QFETCH(int, lengthShift);
        QFETCH(int, result);
        QByteArray bytes = loggerimages::image(threeSets());
        const qsizetype setsEnd = bytes.size();
        loggerimages::setHeader(bytes, 3, setsEnd - 1 + lastAddressShift);
        if (lengthShift >= 0)
            bytes.append(QByteArray(lengthShift, '\x77'));
        else
            bytes.chop(-lengthShift);
        QVERIFY(writeFile(path("any.ch4"), bytes));
        DataSetStore store;
        QCOMPARE(code(open(path("any.ch4"), store)), result);
        QCOMPARE(store.setCount(), result == 0 ? 3 : 0);
    }

    void setCountZeroChangesNothing()
    {
        QVERIFY(writeFile(path("good.ch4"), loggerimages::image(threeSets())));
        DataSetStore store;
        QCOMPARE(open(path("good.ch4"), store), LoadResult::Success);
        const DataSetStore before = store;
        QByteArray empty = loggerimages::image({});
        QVERIFY(writeFile(path("empty-memory.ch4"), empty));
        MemoryImage image;
        QCOMPARE(readCollectionFile(path("empty-memory.ch4"), image).status,
            CollectionRead::Status::Read);
        QCOMPARE(decodeMemoryImage(image, kNow, store).result, LoadResult::NoData);
        QVERIFY(store == before);
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("status");
        QTest::newRow("missing") << path("missing.ch4") << int(CollectionRead::Status::CannotOpen);
        QTest::newRow("folder") << m_dir.path() << int(CollectionRead::Status::CannotOpen);
        QTest::newRow("empty") << path("zero.ch4") << int(CollectionRead::Status::Empty);
        QTest::newRow("far too large") << path("huge.ch4") << int(CollectionRead::Status::TooLarge);
        QTest::newRow("endless device") << "/dev/zero" << int(CollectionRead::Status::TooLarge);
    }
    void unreadableFiles()
    {
        QFETCH(QString, file);
        QFETCH(int, status);
        QVERIFY(writeFile(path("zero.ch4"), {}));
        QVERIFY(writeFile(path("huge.ch4"), QByteArray(kMaxCollectionFileBytes + 1, '\0')));
        MemoryImage image(QByteArray("left over"), 5);
        const CollectionRead read = readCollectionFile(file, image);
        QCOMPARE(int(read.status), status);
        QVERIFY(!read.error.isEmpty());
        QVERIFY(image.isEmpty());
    }

    void aFileTooShortForAHeaderIsADataError()
    {
        QVERIFY(writeFile(path("short.ch4"), QByteArray(12, '\x01')));
        MemoryImage image;
        QCOMPARE(readCollectionFile(path("short.ch4"), image).status, CollectionRead::Status::Read);
        QCOMPARE(image.memoryEnd(), -1);
        DataSetStore store;
        QCOMPARE(decodeMemoryImage(image, kNow, store).result, LoadResult::DataError);
        QString error;
        QVERIFY(!writeTransferFile(image, path("never.tmp"), &error));
        QVERIFY(!QFile::exists(path("never.tmp")));
    }

    void aFolderThatCannotBeCreatedIsTheError()
    {
        QVERIFY(writeFile(path("blocker"), "a file where the folder should be"));
        QString error;
        const MemoryImage image(loggerimages::image(threeSets()), 0);
        QVERIFY(!writeTransferFile(image, path("blocker/temp/DataSetsTemp.tmp"), &error));
        QVERIFY(error.startsWith(path("blocker/temp") + QLatin1Char(':')));
    }

    void aFullDiskLeavesTheOldTransferFile()
    {
        const QString transfer = path("full/DataSetsTemp.tmp");
        const QByteArray old = loggerimages::image(threeSets());
        QString error;
        QVERIFY(writeTransferFile(MemoryImage(old, 0), transfer, &error));

        QList<loggerimages::RecordedSet> many;
        for (int k = 0; k < 10; ++k)
            many << loggerimages::setWithSamples(100, k);
        const QByteArray larger = loggerimages::image(many);
        QVERIFY(larger.size() > 8 * 1024);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // The disk is full after 4 KiB; the write must fail and say so.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit { 4096, 4096 };
            setrlimit(RLIMIT_FSIZE, &limit);
            QString childError;
            const bool written = writeTransferFile(MemoryImage(larger, 0), transfer, &childError);
            _exit(!written && !childError.isEmpty() ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(readFile(transfer), old);
        QCOMPARE(QDir(path("full")).entryList(QDir::Files), QStringList { "DataSetsTemp.tmp" });
    }

    void transferFileFolder()
    {
        QCOMPARE(transferFilePath(m_dir.path(), "/home/someone/data"),
            QDir(m_dir.path()).filePath("temp/DataSetsTemp.tmp"));
        QCOMPARE(transferFilePath("/no/such/program/folder", "/home/someone/data"),
            QStringLiteral("/home/someone/data/temp/DataSetsTemp.tmp"));
    }
};

QTEST_GUILESS_MAIN(TestCollectionFile)
#include "tst_collectionfile.moc"
