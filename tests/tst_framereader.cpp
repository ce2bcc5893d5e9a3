#include "FrameReader.h"

#include <QRandomGenerator>
#include <QTest>

using tc4dl::FrameReader;
using tc4dl::kFrameLength;
using tc4dl::MeterFrame;

namespace {

// A frame whose content differs with `k`. It holds a start and an end byte inside as real
// frames can, so a reader that cuts at the first 0x03 or restarts at an inner 0x02 fails.
QByteArray frame(int k)
{
    QByteArray f(kFrameLength, '\0');
    f[0] = '\x02';
    for (int i = 1; i < kFrameLength - 1; ++i)
        f[i] = static_cast<char>((k * 37 + i * 11 + 0x40) & 0xff);
    f[5] = '\x03';
    f[6] = '\x02';
    f[kFrameLength - 1] = '\x03';
    return f;
}

// Bytes without any start byte.
QByteArray junk(int n)
{
    QByteArray j(n, '\0');
    for (int i = 0; i < n; ++i)
        j[i] = static_cast<char>(0x30 + i % 40);
    return j;
}

QByteArray bytesOf(const MeterFrame& f)
{
    return QByteArray(reinterpret_cast<const char*>(f.data()), kFrameLength);
}

// Feeds `data` and returns the frames delivered by that feed.
QByteArrayList feed(FrameReader& reader, const QByteArray& data)
{
    QByteArrayList got;
    reader.feed(data.constData(), data.size(), [&got](const MeterFrame& f) { got << bytesOf(f); });
    return got;
}

} // namespace

class TestFrameReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitAtEveryBoundary()
    {
        const QByteArray stream = frame(1) + frame(2) + frame(3);
        for (int cut = 0; cut <= stream.size(); ++cut) {
            FrameReader reader;
            const QByteArrayList first = feed(reader, stream.left(cut));
            const QByteArrayList second = feed(reader, stream.mid(cut));
            // A frame is delivered in the feed that brings its last byte.
            QCOMPARE(first.size(), cut / kFrameLength);
            QCOMPARE(first + second, (QByteArrayList { frame(1), frame(2), frame(3) }));
            QVERIFY(reader.pending().isEmpty());
        }
    }

    void splitAtEveryPairOfBoundaries()
    {
        const QByteArray stream = frame(7) + frame(8);
        const QByteArrayList expected { frame(7), frame(8) };
        for (int i = 0; i <= stream.size(); ++i) {
            for (int j = i; j <= stream.size(); ++j) {
                FrameReader reader;
                QByteArrayList got = feed(reader, stream.left(i));
                got += feed(reader, stream.mid(i, j - i));
                got += feed(reader, stream.mid(j));
                if (got != expected)
                    QFAIL(qPrintable(QStringLiteral("cuts at %1 and %2").arg(i).arg(j)));
            }
        }
    }

    void feeds_data()
    {
        QTest::addColumn<QByteArrayList>("feeds");
        QTest::addColumn<QList<int>>("deliveredPerFeed");
        QTest::addColumn<QByteArrayList>("frames");
        QTest::addColumn<QByteArray>("pendingAfter");

        const QByteArray f1 = frame(1);
        const QByteArray f2 = frame(2);
        QTest::newRow("two frames in one feed") << QByteArrayList { f1 + f2 } << QList<int> { 2 }
                                                << QByteArrayList { f1, f2 } << QByteArray();
        QTest::newRow("frame split over two feeds")
            << QByteArrayList { f1.left(20), f1.mid(20) } << QList<int> { 0, 1 }
            << QByteArrayList { f1 } << QByteArray();
        QTest::newRow("frame and the start of the next")
            << QByteArrayList { f1 + f2.left(10) } << QList<int> { 1 } << QByteArrayList { f1 }
            << f2.left(10);
        QTest::newRow("50 junk bytes, later a frame")
            << QByteArrayList { junk(50), f1 } << QList<int> { 0, 1 } << QByteArrayList { f1 }
            << QByteArray();
        QTest::newRow("short junk waits for more bytes")
            << QByteArrayList { junk(30), f1 } << QList<int> { 0, 1 } << QByteArrayList { f1 }
            << QByteArray();
        // The start byte's 45th byte is f1[33], not an end byte: only the start byte goes and
        // the frame that begins inside its 44 bytes is found.
        QTest::newRow("false start before a frame")
            << QByteArrayList { "\x02" + junk(10) + f1 } << QList<int> { 1 }
            << QByteArrayList { f1 } << QByteArray();
        QTest::newRow("false start, frame in the next feed")
            << QByteArrayList { "\x02" + junk(3), f1 } << QList<int> { 0, 1 }
            << QByteArrayList { f1 } << QByteArray();
        QTest::newRow("44 bytes stay")
            << QByteArrayList { junk(44) } << QList<int> { 0 } << QByteArrayList {} << junk(44);
        QTest::newRow("45 junk bytes go")
            << QByteArrayList { junk(45) } << QList<int> { 0 } << QByteArrayList {} << QByteArray();
        QTest::newRow("junk then a start byte keeps the start")
            << QByteArrayList { junk(50) + "\x02\x10" } << QList<int> { 0 } << QByteArrayList {}
            << QByteArray("\x02\x10");
    }

    void feeds()
    {
        QFETCH(QByteArrayList, feeds);
        QFETCH(QList<int>, deliveredPerFeed);
        QFETCH(QByteArrayList, frames);
        QFETCH(QByteArray, pendingAfter);

        FrameReader reader;
        QByteArrayList all;
        for (qsizetype i = 0; i < feeds.size(); ++i) {
            const QByteArrayList got = feed(reader, feeds.at(i));
            QCOMPARE(got.size(), deliveredPerFeed.at(i));
            all += got;
        }
        QCOMPARE(all, frames);
        QCOMPARE(reader.pending(), pendingAfter);
    }

    void countersOfAKnownStream()
    {
        // 5 junk bytes, a frame, a false start with 10 junk bytes, a frame, part of a frame.
        const QByteArray stream
            = junk(5) + frame(1) + "\x02" + junk(10) + frame(2) + frame(3).left(20);
        FrameReader reader;
        QCOMPARE(feed(reader, stream).size(), 2);
        const tc4dl::FrameCounters& c = reader.counters();
        QCOMPARE(c.bytesIn, quint64(126));
        QCOMPARE(c.frames, quint64(2));
        QCOMPARE(c.bytesDropped, quint64(16));
        QCOMPARE(c.resyncs, quint64(3));
    }

    void sinkSeesOnlyTheBytesAfterTheFrame()
    {
        const QByteArray tail = frame(3).left(7);
        const QByteArray stream = frame(1) + frame(2) + tail;
        FrameReader reader;
        QByteArrayList seen;
        reader.feed(stream.constData(), stream.size(),
            [&](const MeterFrame&) { seen << reader.pending(); });
        QCOMPARE(seen, (QByteArrayList { frame(2) + tail, tail }));
    }

    void randomStreams()
    {
        // Streams with many start and end bytes, real frames and cut-off frames, fed once whole
        // and once in random pieces: the same frames, at most 44 bytes kept between feeds.
        QRandomGenerator rng(20261209);
        for (int round = 0; round < 300; ++round) {
            QByteArray stream;
            while (stream.size() < 1500) {
                const int kind = rng.bounded(4);
                if (kind == 0) {
                    stream += frame(static_cast<int>(rng.bounded(256)));
                } else if (kind == 1) {
                    stream += frame(static_cast<int>(rng.bounded(256)))
                                  .left(static_cast<int>(rng.bounded(1, 45)));
                } else {
                    const int n = static_cast<int>(rng.bounded(1, 80));
                    for (int i = 0; i < n; ++i) {
                        const int r = rng.bounded(10);
                        stream += r < 3 ? '\x02'
                            : r < 5     ? '\x03'
                                        : static_cast<char>(rng.bounded(256));
                    }
                }
            }

            FrameReader whole;
            const QByteArrayList expected = feed(whole, stream);

            FrameReader pieces;
            QByteArrayList got;
            for (qsizetype at = 0; at < stream.size();) {
                const qsizetype n = std::min<qsizetype>(rng.bounded(0, 301), stream.size() - at);
                got += feed(pieces, stream.mid(at, n));
                at += n;
                QVERIFY2(
                    pieces.pending().size() < kFrameLength, qPrintable(QString::number(round)));
            }
            QCOMPARE(got, expected);
            QCOMPARE(pieces.pending(), whole.pending());
            for (const QByteArray& f : got)
                QVERIFY(f.startsWith('\x02') && f.endsWith('\x03'));
            const tc4dl::FrameCounters& c = pieces.counters();
            QCOMPARE(c.bytesIn, quint64(stream.size()));
            QCOMPARE(c.bytesIn,
                c.frames * kFrameLength + c.bytesDropped + quint64(pieces.pending().size()));
        }
    }
};

QTEST_GUILESS_MAIN(TestFrameReader)
#include "tst_framereader.moc"
