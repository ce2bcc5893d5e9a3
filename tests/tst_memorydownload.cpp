#include "LoggerImages.h"
#include "MemoryDownload.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <deque>
#include <functional>

using namespace tc4dl;

namespace {

// A meter's side of the transfer, scripted: it answers 'P', 'y', 'n' and 'Q' with 65-byte
// blocks after a delay, split in two pieces like bytes trickling in, with faults on request.
struct ScriptedMeter {
    QByteArray memory; // what the meter sends, from address 0
    int latencyMs = 70; // a block takes about 68 ms at 9600 baud
    int chunk = 40; // bytes per delivery
    bool answersQuery = true;
    QSet<int> badChecksumOnce; // blocks whose first sending has a wrong checksum
    int badChecksumAlways = -1;
    int stallOnce = -1; // block whose first sending stops half-way
    int hangUpAfter = -1; // blocks sent before the meter falls silent
    int extraBlocks = 0; // blocks sent beyond the memory

    bool sending = false;
    int current = 0;
    int sent = 0;
    int starts = 0; // the first start answers the size query
    QSet<int> spoiled;

    QByteArray block(int k)
    {
        QByteArray b = memory.mid(k * 64, 64);
        b.append(QByteArray(64 - b.size(), '\xEE'));
        quint8 sum = 0;
        for (char c : b)
            sum = static_cast<quint8>(sum + static_cast<quint8>(c));
        b.append(static_cast<char>(sum));
        if (starts < 2)
            return b; // the size query's block: its checksum is never checked
        if (k == badChecksumAlways || (badChecksumOnce.contains(k) && !spoiled.contains(k))) {
            spoiled.insert(k);
            b[64] = static_cast<char>(sum + 1);
        }
        if (k == stallOnce && !spoiled.contains(-1 - k)) {
            spoiled.insert(-1 - k);
            b.truncate(30);
        }
        return b;
    }
    int blocks() const { return static_cast<int>((memory.size() + 63) / 64) + extraBlocks; }

    void send(int k, qint64 now, std::deque<std::pair<qint64, QByteArray>>& inbox)
    {
        if (hangUpAfter >= 0 && sent >= hangUpAfter)
            return;
        ++sent;
        const QByteArray b = block(k);
        for (qsizetype i = 0; i < b.size(); i += chunk) {
            const qint64 at = now + latencyMs * std::min<qsizetype>(i + chunk, b.size()) / 65;
            inbox.emplace_back(std::max<qint64>(at, now + 1), b.mid(i, chunk));
        }
    }

    void onByte(char byte, qint64 now, std::deque<std::pair<qint64, QByteArray>>& inbox)
    {
        switch (byte) {
        case 'P':
            if (!answersQuery || sending)
                return;
            sending = true;
            ++starts;
            current = 0;
            send(0, now, inbox);
            break;
        case 'y':
            if (!sending || !inbox.empty())
                return; // a repeated accept while the block is on its way
            if (++current < blocks())
                send(current, now, inbox);
            else
                sending = false;
            break;
        case 'n':
            if (sending)
                send(current, now, inbox);
            break;
        case 'Q':
            sending = false;
            break;
        }
    }
};

// Drives the download as the program's driver does: bytes as they arrive, wakes when asked.
struct Run {
    MemoryDownload download;
    ScriptedMeter meter;
    std::deque<std::pair<qint64, QByteArray>> inbox;
    qint64 now = 0;
    qint64 wakeAt = -1;
    QByteArray written;
    QList<qint64> writeTimes;
    int discards = 0;
    qint64 lastDelivery = -1;

    void apply(const ExchangeStep& step)
    {
        for (const PortAction& a : step.actions) {
            if (a.kind == PortAction::Kind::Write) {
                written.append(a.byte);
                writeTimes.append(now);
                meter.onByte(a.byte, now, inbox);
            } else if (a.kind == PortAction::Kind::DiscardInput) {
                ++discards;
                while (!inbox.empty() && inbox.front().first <= now)
                    inbox.pop_front();
            }
        }
        QVERIFY(step.finished == (step.wakeAtMs < 0));
        wakeAt = step.wakeAtMs;
    }

    void run(qint64 limitMs = 10 * 60 * 1000)
    {
        apply(download.start(now));
        pump(limitMs);
        QVERIFY(download.finished());
    }

    // Delivers bytes and wakes in time order until the end, `limitMs`, or `stop` holds.
    void pump(qint64 limitMs, const std::function<bool()>& stop = {})
    {
        while (!download.finished() && now < limitMs && !(stop && stop())) {
            const bool deliver = !inbox.empty() && inbox.front().first <= wakeAt;
            if (deliver) {
                now = inbox.front().first;
                const QByteArray bytes = inbox.front().second;
                inbox.pop_front();
                lastDelivery = now;
                apply(download.feed(bytes, now));
            } else {
                QVERIFY2(wakeAt >= now, "wake time in the past");
                now = wakeAt;
                apply(download.wake(now));
            }
        }
    }
};

QByteArray memoryOf(qint64 lastAddress)
{
    QByteArray m(static_cast<qsizetype>(lastAddress + 1), '\0');
    for (qsizetype i = 0; i < m.size(); ++i)
        m[i] = static_cast<char>((i * 13 + i / 256) & 0xFF);
    loggerimages::setHeader(m, 1, lastAddress);
    return m;
}

} // namespace

class TestMemoryDownload : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sizeLimits_data()
    {
        QTest::addColumn<qint64>("lastAddress");
        QTest::addColumn<int>("result");
        QTest::addColumn<qint64>("total");
        QTest::newRow("255 is the smallest") << qint64(255) << 0 << qint64(256);
        QTest::newRow("254 is too small") << qint64(254) << 4 << qint64(0);
        QTest::newRow("299") << qint64(299) << 0 << qint64(320);
        QTest::newRow("131071 is the largest") << qint64(131071) << 0 << qint64(131072);
        QTest::newRow("131072 is too large") << qint64(131072) << 4 << qint64(0);
        QTest::newRow("all bits") << qint64(0xFFFFFF) << 4 << qint64(0);
    }
    void sizeLimits()
    {
        QFETCH(qint64, lastAddress);
        QFETCH(int, result);
        QFETCH(qint64, total);
        Run r;
        r.meter.memory = memoryOf(std::min<qint64>(lastAddress, 131071));
        loggerimages::setHeader(r.meter.memory, 1, lastAddress);
        r.run();
        QCOMPARE(code(r.download.result()), result);
        QCOMPARE(r.download.image().memoryEnd(), lastAddress);
        QCOMPARE(r.download.total(), total);
        if (result == 0) {
            QCOMPARE(r.download.image().size(), total);
            QCOMPARE(r.download.image().data(), r.meter.memory.leftJustified(total, '\xEE'));
            QCOMPARE(r.written.count('y'), total / 64 + 9); // the last accept is repeated
            QVERIFY(r.written.startsWith("PQP"));
            QVERIFY(!r.written.endsWith('Q'));
            // Exactly total bytes end 3 s after the accept repeats stop, without TransferStop.
            QCOMPARE(r.now, r.lastDelivery + 10 * 100 + 3000);
        } else {
            // The size came, so the meter was told to stop; no transfer was started.
            QCOMPARE(r.written, QByteArray("PQ"));
            QCOMPARE(r.download.image().size(), 0);
        }
    }

    void blocksMayArriveInAnyPieces_data()
    {
        QTest::addColumn<int>("chunk");
        for (int chunk : { 1, 7, 64, 65, 66, 200 })
            QTest::newRow(qPrintable(QString::number(chunk))) << chunk;
    }
    void blocksMayArriveInAnyPieces()
    {
        QFETCH(int, chunk);
        Run r;
        r.meter.memory = memoryOf(1000);
        r.meter.chunk = chunk;
        r.run();
        QCOMPARE(r.download.result(), LoadResult::Success);
        QCOMPARE(r.download.image().data().left(1001), r.meter.memory);
        QCOMPARE(r.download.failures(), 0);
    }

    void badChecksumThenItsGoodRepeat()
    {
        Run r;
        r.meter.memory = memoryOf(299);
        r.meter.badChecksumOnce = { 0, 3 };
        r.run();
        QCOMPARE(r.download.result(), LoadResult::Success);
        QCOMPARE(r.download.image().size(), 320);
        QCOMPARE(r.download.image().data().left(300), r.meter.memory);
        QCOMPARE(r.download.received(), 320);
        QCOMPARE(r.written.count('n'), 2);
        QCOMPARE(r.download.counters().checksumErrors, 2);
    }

    void twentyFailuresAreBorneTheTwentyFirstEndsIt_data()
    {
        QTest::addColumn<int>("badBlocks");
        QTest::addColumn<int>("result");
        QTest::newRow("twenty") << 20 << 0;
        QTest::newRow("twenty-one") << 21 << 3;
    }
    void twentyFailuresAreBorneTheTwentyFirstEndsIt()
    {
        QFETCH(int, badBlocks);
        QFETCH(int, result);
        Run r;
        r.meter.memory = memoryOf(64 * 30 - 1);
        for (int k = 0; k < badBlocks; ++k)
            r.meter.badChecksumOnce.insert(k);
        r.run();
        QCOMPARE(code(r.download.result()), result);
        QCOMPARE(r.written.count('n'), badBlocks);
        QCOMPARE(r.written.endsWith('Q'), result == 3);
        if (result == 3)
            QCOMPARE(r.written.right(2), QByteArray("nQ"));
    }

    void aStalledBlockIsDroppedAndAskedForAgain()
    {
        Run r;
        r.meter.memory = memoryOf(511);
        r.meter.stallOnce = 2;
        r.run();
        QCOMPARE(r.download.result(), LoadResult::Success);
        QCOMPARE(r.download.image().data(), r.meter.memory);
        QCOMPARE(r.download.counters().stalledBlocks, 1);
        // The resend comes just over 1.5 s after the half block.
        const qsizetype n = r.written.indexOf('n');
        QVERIFY(n > 0);
        QVERIFY(r.writeTimes[n] - r.writeTimes[n - 1] > 1500);
        QVERIFY(r.writeTimes[n] - r.writeTimes[n - 1] < 1700);
    }

    void aHangUpMidTransferIsIncomplete()
    {
        Run r;
        r.meter.memory = memoryOf(64 * 20 - 1);
        r.meter.hangUpAfter = 1 + 5; // the size query's block and five of the transfer
        r.run();
        QCOMPARE(r.download.result(), LoadResult::TransferIncomplete);
        QCOMPARE(r.download.received(), 5 * 64);
        QCOMPARE(r.download.image().size(), 5 * 64);
        QVERIFY(!r.written.endsWith('Q'));
        QCOMPARE(r.now, r.lastDelivery + 10 * 100 + 3000);
    }

    void aSizeQueryWithoutAnswer()
    {
        Run r;
        r.meter.memory = memoryOf(1000);
        r.meter.answersQuery = false;
        r.run();
        QCOMPARE(r.download.result(), LoadResult::SizeRejected);
        QCOMPARE(r.download.size(), 0);
        QCOMPARE(r.download.image().memoryEnd(), -1);
        // One window of 2 s for all three attempts: four requests in all.
        QCOMPARE(r.written, QByteArray("PPPP"));
        QCOMPARE(r.discards, 3);
        QCOMPARE(r.now, 2000);
    }

    void moreThanTheMemoryEndsWithTransferStop()
    {
        Run r;
        r.meter.memory = memoryOf(255);
        r.meter.extraBlocks = 2;
        r.run();
        QCOMPARE(r.download.result(), LoadResult::Success);
        QCOMPARE(r.download.image().size(), 256); // the surplus block is not kept
        QVERIFY(r.written.endsWith("yQ"));
    }

    void theAcceptWaitEndsWithTheFirstByte()
    {
        // A slow meter: the next block takes 250 ms to begin, so BlockAccept is repeated
        // twice; a fast one never needs a repeat, and the transfer takes block time only.
        Run slow;
        slow.meter.memory = memoryOf(255);
        slow.meter.latencyMs = 250;
        slow.meter.chunk = 65;
        slow.run();
        QCOMPARE(slow.download.result(), LoadResult::Success);
        QCOMPARE(slow.download.counters().acceptRepeats, 3 * 2 + 9);

        Run fast;
        fast.meter.memory = memoryOf(131071);
        fast.run();
        QCOMPARE(fast.download.result(), LoadResult::Success);
        QCOMPARE(fast.download.counters().acceptRepeats, 9);
        QVERIFY(fast.lastDelivery <= 2049 * 70 + 100 + 2049);
    }

    void bytesDuringThePauseAreNotTakenForMemory()
    {
        Run r;
        r.meter.memory = memoryOf(511);
        r.apply(r.download.start(0));
        r.pump(10000, [&r] { return r.download.phase() == MemoryDownload::Phase::QueryPause; });
        QCOMPARE(r.download.phase(), MemoryDownload::Phase::QueryPause);
        r.apply(r.download.feed("junk", r.now + 10));
        const std::vector<PortAction> atPauseEnd = r.download.wake(r.now + 100).actions;
        QCOMPARE(atPauseEnd,
            (std::vector<PortAction> { PortAction::discardInput(), PortAction::write('P') }));
        r.meter.onByte('P', r.now, r.inbox);
        r.pump(10 * 60 * 1000);
        QCOMPARE(r.download.result(), LoadResult::Success);
        QCOMPARE(r.download.image().data(), r.meter.memory);
    }

    // A meter that sends noise: the download always ends, within the failure limit's time,
    // and never keeps more than the memory's size.
    void noiseAlwaysEnds()
    {
        QRandomGenerator rng(7);
        for (int round = 0; round < 200; ++round) {
            MemoryDownload d;
            qint64 now = 0;
            ExchangeStep step = d.start(now);
            QByteArray header(65, '\0');
            header[11] = static_cast<char>(rng.bounded(256));
            header[12] = '\xFF';
            step = d.feed(header, now += 5);
            while (!step.finished && now < 600000) {
                if (rng.bounded(4) == 0) {
                    now = std::max(now, step.wakeAtMs);
                    step = d.wake(now);
                } else {
                    QByteArray noise(rng.bounded(1, 200), '\0');
                    for (char& c : noise)
                        c = static_cast<char>(rng.bounded(256));
                    step = d.feed(noise, now += rng.bounded(1, 50));
                }
            }
            QVERIFY(d.finished());
            QVERIFY(d.image().size() <= std::max<qint64>(d.total(), 0));
        }
    }

    void cancel_data()
    {
        QTest::addColumn<int>("afterMs");
        QTest::addColumn<int>("result");
        QTest::newRow("during the size query") << 10 << 4;
        QTest::newRow("during the transfer") << 1000 << 3;
    }
    void cancel()
    {
        QFETCH(int, afterMs);
        QFETCH(int, result);
        Run r;
        r.meter.memory = memoryOf(64 * 100 - 1);
        r.apply(r.download.start(0));
        r.pump(afterMs);
        const ExchangeStep step = r.download.cancel(r.now);
        QCOMPARE(step.actions, (std::vector<PortAction> { PortAction::write('Q') }));
        QVERIFY(step.finished);
        QVERIFY(r.download.cancelled());
        QCOMPARE(code(r.download.result()), result);
        // Nothing more happens after the end.
        QVERIFY(r.download.feed("abc", r.now).actions.empty());
        QVERIFY(r.download.wake(r.now + 5000).actions.empty());
    }
};

QTEST_GUILESS_MAIN(TestMemoryDownload)
#include "tst_memorydownload.moc"
