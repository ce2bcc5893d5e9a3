// The real-time journal file on its own: what the reader gives back from whole, torn, garbled
// and foreign files, and when the writer syncs to the disk under a hand-moved clock.

#include "JournalReader.h"
#include "JournalWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace tc4dl::journal;

namespace {

const JournalHeader kHeader { 46365.5, 20, 2, 1 };

JournalSample sample(int i)
{
    return { 46365.5 + i * 2.0 / 86400.0, { 20.5f + float(i), -3.25f, 5000.0f, float(i) * 0.1f } };
}

JournalNote note(int i)
{
    return { 46365.5 + i * 2.0 / 86400.0, 20.0 + i, 0x0000FF,
        QStringLiteral("Ofen > 150,0\rF\u00fchler %1").arg(i) };
}

// A journal of `samples` samples in the layout of the header's version, with a note after
// each count of samples `notesAfter` lists (0: before the first); `ends` gets where each
// record ends, `kinds` whether it is a sample.
QByteArray journalBytes(int samples, const JournalHeader& header = kHeader,
    const QList<int>& notesAfter = {}, QList<int>* ends = nullptr, QList<bool>* kinds = nullptr)
{
    QByteArray bytes = encodeHeader(header);
    quint32 index = 0;
    int notes = 0;
    const auto mark = [&](bool isSample) {
        if (ends)
            *ends << int(bytes.size());
        if (kinds)
            *kinds << isSample;
    };
    for (int i = 0; i <= samples; ++i) {
        for (const int after : notesAfter) {
            if (after != i)
                continue;
            bytes += encodeNote(note(notes++), index++).value_or(QByteArray());
            mark(false);
        }
        if (i < samples) {
            bytes += encodeRecord(sample(i), index++, header.version);
            mark(true);
        }
    }
    return bytes;
}

JournalHeader version1(JournalHeader h = kHeader)
{
    h.version = 1;
    return h;
}

// Puts the right check back at the end of the record at `at` of `size` bytes, number `index`,
// after one of its fields was changed.
void resealRecord(QByteArray& bytes, int at, int size, quint32 index)
{
    char number[4];
    for (int k = 0; k < 4; ++k)
        number[k] = char((index >> (8 * k)) & 0xFF);
    const quint32 crc
        = crc32(QByteArrayView(bytes.constData() + at, size - 4), crc32(QByteArrayView(number, 4)));
    for (int k = 0; k < 4; ++k)
        bytes[at + size - 4 + k] = char((crc >> (8 * k)) & 0xFF);
}

void patch16(QByteArray& bytes, int at, quint16 value)
{
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
}

// Puts the right check back after a header field was changed, so that only the field's value
// decides.
void resealHeader(QByteArray& bytes)
{
    const quint32 crc = crc32(QByteArrayView(bytes.constData(), 36));
    for (int k = 0; k < 4; ++k)
        bytes[36 + k] = char((crc >> (8 * k)) & 0xFF);
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void crcIsTheStandardOne()
    {
        // The usual check value of CRC-32, so the file can be checked by any tool.
        QCOMPARE(crc32("123456789"), 0xCBF43926u);
    }

    void wholeJournalsReadBack_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<QList<int>>("notesAfter");
        QTest::addColumn<int>("version");
        QTest::newRow("header only") << 0 << QList<int> {} << 2;
        QTest::newRow("one sample") << 1 << QList<int> {} << 2;
        QTest::newRow("all asked for") << 20 << QList<int> {} << 2;
        QTest::newRow("notes before, between and after the samples")
            << 5 << QList<int> { 0, 2, 2, 5 } << 2;
        QTest::newRow("a note and no sample") << 0 << QList<int> { 0 } << 2;
        QTest::newRow("all asked for, a note after the last") << 20 << QList<int> { 20 } << 2;
        // A journal an older version of the program left still comes back.
        QTest::newRow("version 1, one sample") << 1 << QList<int> {} << 1;
        QTest::newRow("version 1, all asked for") << 20 << QList<int> {} << 1;
    }
    void wholeJournalsReadBack()
    {
        QFETCH(int, samples);
        QFETCH(QList<int>, notesAfter);
        QFETCH(int, version);
        const JournalHeader header = version == 1 ? version1() : kHeader;
        const JournalContents c = readJournal(journalBytes(samples, header, notesAfter));
        QVERIFY(c.headerValid);
        QCOMPARE(c.header, header);
        QCOMPARE(int(c.samples.size()), samples);
        for (int i = 0; i < samples; ++i)
            QCOMPARE(c.samples[std::size_t(i)], sample(i));
        QCOMPARE(int(c.notes.size()), notesAfter.size());
        for (int n = 0; n < notesAfter.size(); ++n) {
            JournalNote expected = note(n);
            expected.samplesBefore = quint32(notesAfter[n]);
            QCOMPARE(c.notes[std::size_t(n)], expected);
        }
        QCOMPARE(c.discardedBytes, 0);
        QCOMPARE(c.usable(), samples > 0);
    }

    // Every length a killed write can leave: the records before the torn one come back.
    void aTornTailKeepsTheCompleteRecords_data()
    {
        QTest::addColumn<QList<int>>("notesAfter");
        QTest::addColumn<int>("version");
        QTest::newRow("samples") << QList<int> {} << 2;
        QTest::newRow("samples and notes") << QList<int> { 0, 1, 1, 4, 5 } << 2;
        QTest::newRow("version 1") << QList<int> {} << 1;
    }
    void aTornTailKeepsTheCompleteRecords()
    {
        QFETCH(QList<int>, notesAfter);
        QFETCH(int, version);
        QList<int> ends;
        QList<bool> isSample;
        const QByteArray whole
            = journalBytes(5, version == 1 ? version1() : kHeader, notesAfter, &ends, &isSample);
        for (int cut = kHeaderSize; cut < whole.size(); ++cut) {
            const JournalContents c = readJournal(whole.left(cut));
            int samples = 0;
            int notes = 0;
            int end = kHeaderSize;
            for (int r = 0; r < ends.size() && ends[r] <= cut; ++r) {
                (isSample[r] ? samples : notes) += 1;
                end = ends[r];
            }
            QCOMPARE(int(c.samples.size()), samples);
            QCOMPARE(int(c.notes.size()), notes);
            QCOMPARE(c.discardedBytes, qint64(cut - end));
        }
    }

    void aGarbledRecordEndsTheJournalThere_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<int>("offset");
        QTest::newRow("kind of the first") << 0 << 0;
        QTest::newRow("size of the second") << 1 << 2;
        QTest::newRow("time of the first") << 0 << 4;
        QTest::newRow("T3 of the third") << 2 << 20;
        QTest::newRow("check of the last") << 4 << 31;
    }
    void aGarbledRecordEndsTheJournalThere()
    {
        QFETCH(int, record);
        QFETCH(int, offset);
        QByteArray bytes = journalBytes(5);
        bytes[kHeaderSize + record * kRecordSize + offset] ^= 0x10;
        const JournalContents c = readJournal(bytes);
        QCOMPARE(int(c.samples.size()), record);
        QCOMPARE(c.discardedBytes, qint64((5 - record) * kRecordSize));
    }

    // A record written twice or lost between two others passes its own check but sits at
    // the wrong number.
    void recordsOutOfPlaceAreRefused()
    {
        QByteArray doubled = encodeHeader(kHeader) + encodeRecord(sample(0), 0)
            + encodeRecord(sample(0), 0) + encodeRecord(sample(1), 1);
        QCOMPARE(int(readJournal(doubled).samples.size()), 1);
        QByteArray gap
            = encodeHeader(kHeader) + encodeRecord(sample(0), 0) + encodeRecord(sample(2), 2);
        QCOMPARE(int(readJournal(gap).samples.size()), 1);
    }

    // A note record that is not one this program writes ends the journal there: what came
    // before it stays, nothing after it is read.
    void notesThatEndTheJournal_data()
    {
        QTest::addColumn<int>("at"); // offset in the note record
        QTest::addColumn<QByteArray>("bytes"); // written there, the check then made right
        QTest::addColumn<bool>("reseal");
        const auto f64 = [](double v) {
            QByteArray b(8, '\0');
            std::memcpy(b.data(), &v, 8);
            return b;
        };
        QTest::newRow("time infinite") << 4 << f64(std::numeric_limits<double>::infinity()) << true;
        QTest::newRow("place not a number")
            << 12 << f64(std::numeric_limits<double>::quiet_NaN()) << true;
        QTest::newRow("colour beyond 0xBBGGRR") << 23 << QByteArray(1, '\x01') << true;
        QTest::newRow("broken UTF-8") << 24 << QByteArray("\xC3\x28") << true;
        QTest::newRow("overlong UTF-8") << 24 << QByteArray("\xC0\x80") << true;
        QTest::newRow("unknown kind") << 0 << QByteArray("\x03\x00") << true;
        QTest::newRow("size below a note's") << 2 << QByteArray("\x1B\x00") << false;
        QTest::newRow("size beyond the longest text") << 2 << QByteArray("\x1D\x04") << false;
        QTest::newRow("text garbled") << 30 << QByteArray("X") << false;
        QTest::newRow("check garbled") << -1 << QByteArray("\xAA") << false;
    }
    void notesThatEndTheJournal()
    {
        QFETCH(int, at);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, reseal);
        QList<int> ends;
        QByteArray journal = journalBytes(3, kHeader, { 2, 2 }, &ends);
        const int start = ends[1]; // the first note, after two samples
        const int size = ends[2] - start;
        const int where = at < 0 ? start + size + at : start + at;
        journal.replace(where, bytes.size(), bytes);
        if (reseal)
            resealRecord(journal, start, size, 2);
        const JournalContents c = readJournal(journal);
        QCOMPARE(int(c.samples.size()), 2);
        QVERIFY(c.notes.empty());
        QCOMPARE(c.discardedBytes, qint64(journal.size() - start));
    }

    void moreNotesThanAnyRunKeepsAreNotRead()
    {
        QByteArray bytes = encodeHeader(kHeader);
        for (quint32 i = 0; i <= kMaxNotes; ++i)
            bytes += encodeNote(note(1), i).value_or(QByteArray());
        const JournalContents c = readJournal(bytes);
        QCOMPARE(c.notes.size(), std::size_t(kMaxNotes));
        QCOMPARE(c.discardedBytes, qint64(encodeNote(note(1), 0)->size()));
        // And a text beyond the bound is not written at all.
        JournalNote longer = note(1);
        longer.text = QString(kMaxNoteText + 1, QLatin1Char('x'));
        QVERIFY(!encodeNote(longer, 0));
        longer.text.chop(1);
        QVERIFY(encodeNote(longer, 0));
    }

    void aZeroFilledTailIsNoSample()
    {
        // What a file system can leave after a power cut: the length grew, the data did not.
        const QByteArray bytes = journalBytes(2) + QByteArray(3 * kRecordSize, '\0');
        QCOMPARE(int(readJournal(bytes).samples.size()), 2);
    }

    void samplesBeyondTheRunAreNotRead()
    {
        JournalHeader three = kHeader;
        three.samplesAsked = 3;
        QByteArray bytes = encodeHeader(three);
        for (int i = 0; i < 10; ++i)
            bytes += encodeRecord(sample(i), quint32(i));
        const JournalContents c = readJournal(bytes);
        QCOMPARE(int(c.samples.size()), 3);
        QCOMPARE(c.discardedBytes, qint64(7 * kRecordSize));
    }

    void headersThatAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = journalBytes(3);
        QByteArray v = good;
        patch16(v, 8, 3);
        resealHeader(v);
        QTest::newRow("another version") << v;
        QByteArray rs = good;
        patch16(rs, 12, kVersion1RecordSize);
        resealHeader(rs);
        QTest::newRow("another record size") << rs;
        QByteArray rs1 = journalBytes(3, version1());
        patch16(rs1, 12, kRecordSize);
        resealHeader(rs1);
        QTest::newRow("version 1 with this version's record size") << rs1;
        QByteArray v0 = good;
        patch16(v0, 8, 0);
        resealHeader(v0);
        QTest::newRow("version 0") << v0;
        QByteArray reserved = good;
        reserved[33] = 1;
        resealHeader(reserved);
        QTest::newRow("reserved field used") << reserved;
        QByteArray magic = good;
        magic[0] = 'X';
        QTest::newRow("another file") << magic;
        QByteArray check = good;
        check[20] ^= 1;
        QTest::newRow("damaged header") << check;
        QTest::newRow("short") << good.left(kHeaderSize - 1);
        QTest::newRow("empty") << QByteArray();
        const auto sealed
            = [](JournalHeader h) { return encodeHeader(h) + encodeRecord(sample(0), 0); };
        JournalHeader h = kHeader;
        h.unit = 2;
        QTest::newRow("unit 2") << sealed(h);
        h = kHeader;
        h.samplesAsked = 0;
        QTest::newRow("no samples asked") << sealed(h);
        h.samplesAsked = kMaxSamples + 1;
        QTest::newRow("too many samples") << sealed(h);
        h = kHeader;
        h.samplingRate = kMaxRate + 1;
        QTest::newRow("rate too long") << sealed(h);
        h = kHeader;
        h.startSerial = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("start not a number") << sealed(h);
    }
    void headersThatAreRefused()
    {
        QFETCH(QByteArray, bytes);
        const JournalContents c = readJournal(bytes);
        QVERIFY(!c.headerValid);
        QVERIFY(!c.error.isEmpty());
        QVERIFY(c.samples.empty());
        QVERIFY(!c.usable());
    }

    void samplesAGraphCannotPlaceEndTheJournal_data()
    {
        QTest::addColumn<double>("t");
        QTest::addColumn<float>("value");
        QTest::newRow("time infinite") << std::numeric_limits<double>::infinity() << 1.0f;
        QTest::newRow("value not a number") << 46365.5 << std::numeric_limits<float>::quiet_NaN();
    }
    void samplesAGraphCannotPlaceEndTheJournal()
    {
        QFETCH(double, t);
        QFETCH(float, value);
        const QByteArray bytes = journalBytes(1) + encodeRecord({ t, { value, 0, 0, 0 } }, 1);
        QCOMPARE(int(readJournal(bytes).samples.size()), 1);
    }

    void aHugeFileIsReadOnlyAsFarAsARunReaches()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.journal"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.write(journalBytes(20)) > 0);
        QVERIFY(f.resize(qint64(1) << 32)); // sparse: costs no disk
        f.close();
        const JournalContents c = readJournalFile(path);
        QCOMPARE(int(c.samples.size()), 20);
        QCOMPARE(c.discardedBytes, (qint64(1) << 32) - journalBytes(20).size());
        QVERIFY(!readJournalFile(dir.filePath(QStringLiteral("missing"))).headerValid);
    }

    // Seconds at which samples are appended and at which ticks without a sample pass; the
    // syncs the writer asks for after the header's, and how many records the last one held.
    void syncsAreAtMostTenSecondsApart_data()
    {
        QTest::addColumn<QList<int>>("samplesAt");
        QTest::addColumn<QList<int>>("ticksAt");
        QTest::addColumn<int>("syncs");
        QTest::addColumn<int>("synced");
        QTest::newRow("within ten seconds") << QList<int> { 1, 2, 9 } << QList<int> {} << 0 << 0;
        QTest::newRow("ten seconds after the header")
            << QList<int> { 1, 5, 10, 11 } << QList<int> {} << 1 << 3;
        QTest::newRow("a second every second")
            << QList<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20 }
            << QList<int> {} << 2 << 20;
        QTest::newRow("a quiet tick syncs what waits")
            << QList<int> { 3 } << QList<int> { 5, 9, 10, 11, 25 } << 1 << 1;
        QTest::newRow("nothing waiting, nothing synced")
            << QList<int> {} << QList<int> { 10, 30 } << 0 << 0;
    }
    void syncsAreAtMostTenSecondsApart()
    {
        QFETCH(QList<int>, samplesAt);
        QFETCH(QList<int>, ticksAt);
        QTemporaryDir dir;
        JournalWriter w(JournalSyncer::Mode::Inline);
        QVERIFY(w.begin(dir.filePath(QStringLiteral("j")), kHeader, 0));
        QCOMPARE(w.syncRequests(), 1); // the header at once
        int s = 0;
        int t = 0;
        while (s < samplesAt.size() || t < ticksAt.size()) {
            if (t >= ticksAt.size() || (s < samplesAt.size() && samplesAt[s] <= ticksAt[t])) {
                QVERIFY(w.append(sample(s), samplesAt[s] * 1000));
                ++s;
            } else {
                w.timePassed(ticksAt[t] * 1000);
                ++t;
            }
        }
        QTEST(w.syncRequests() - 1, "syncs");
        QTEST(int(w.syncedRecords()), "synced");
        QCOMPARE(w.syncer().completed(), w.syncRequests());
        w.finish();
        QCOMPARE(w.syncedRecords(), w.records());
        QVERIFY(!w.isOpen());
    }

    void writtenSamplesAreOnTheFileAtOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/folder/j"));
        JournalWriter w; // the background syncer, as in the program
        QVERIFY(w.begin(path, kHeader, 0));
        for (int i = 0; i < 4; ++i) {
            QVERIFY(w.append(sample(i), 20000 * i));
            // Read back by another file handle while the writer holds its own: a killed
            // program leaves exactly this behind.
            QCOMPARE(int(readJournalFile(path).samples.size()), i + 1);
        }
        w.finish();
        QCOMPARE(fileBytes(path), journalBytes(4));
    }

    // Notes go in between the samples as they come; more of them than the file had room for
    // grow it, and every sample still fits behind them.
    void notesGoInBetweenTheSamples_data()
    {
        QTest::addColumn<int>("samplesAsked");
        QTest::addColumn<QList<int>>("notesAfter");
        QTest::newRow("two notes of one reading") << 20 << QList<int> { 1, 1 };
        QTest::newRow("a note first, one last") << 4 << QList<int> { 0, 4 };
        QTest::newRow("more notes than room for samples")
            << 4 << QList<int> { 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 3 };
    }
    void notesGoInBetweenTheSamples()
    {
        QFETCH(int, samplesAsked);
        QFETCH(QList<int>, notesAfter);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("j"));
        JournalHeader header = kHeader;
        header.samplesAsked = quint32(samplesAsked);
        JournalWriter w(JournalSyncer::Mode::Inline);
        QVERIFY(w.begin(path, header, 0));
        int notes = 0;
        const int samples = std::min(samplesAsked, 4);
        for (int i = 0; i <= samples; ++i) {
            for (const int after : notesAfter) {
                if (after == i)
                    QVERIFY(w.appendNote(note(notes++), 0));
            }
            if (i < samples)
                QVERIFY(w.append(sample(i), 0));
            // On the file at once, as a killed program leaves it.
            const JournalContents c = readJournalFile(path);
            QCOMPARE(int(c.samples.size()), std::min(i + 1, samples));
            QCOMPARE(int(c.notes.size()), notes);
        }
        QCOMPARE(int(w.notes()), notesAfter.size());
        w.finish();
        QCOMPARE(fileBytes(path), journalBytes(samples, header, notesAfter));
    }

    void aNewRunReplacesTheJournalAndDiscardDeletesIt()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("j"));
        JournalWriter w(JournalSyncer::Mode::Inline);
        QVERIFY(w.begin(path, kHeader, 0));
        QVERIFY(w.append(sample(0), 0));
        QVERIFY(w.append(sample(1), 0));
        JournalHeader next = kHeader;
        next.samplesAsked = 7;
        QVERIFY(w.begin(path, next, 0));
        for (int i = 0; i < 7; ++i)
            QVERIFY(w.append(sample(i), 0));
        QVERIFY(!w.append(sample(7), 0)); // the run asked for seven
        const JournalContents c = readJournalFile(path);
        QCOMPARE(c.header, next);
        QCOMPARE(int(c.samples.size()), 7);
        w.discard(path);
        QVERIFY(!QFile::exists(path));
        QVERIFY(!w.append(sample(1), 0));
        // A journal left from before (nothing open) goes the same way.
        QFile left(path);
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.close();
        w.discard(path);
        QVERIFY(!QFile::exists(path));
    }

    void aJournalThatCannotBeMadeIsRefused()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        JournalWriter w(JournalSyncer::Mode::Inline);
        // Its folder would have to be made where a file stands.
        QVERIFY(!w.begin(dir.filePath(QStringLiteral("file/j")), kHeader, 0));
        QVERIFY(!w.isOpen());
        QVERIFY(!w.append(sample(0), 0));
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
