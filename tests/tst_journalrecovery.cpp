// A real-time recording that outlives its session: the journal kept while the program records
// against the simulated meter, a killed program's recording offered back at the next start,
// and the journal going away with the run's graph in each way the graph can end.

#include "GraphCommands.h"
#include "GraphStatistics.h"
#include "JournalReader.h"
#include "JournalWriter.h"
#include "MainWindowFixture.h"
#include "TfrmGraph.h"
#include "TfrmSetupRealTime.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace tc4dl;
using namespace tc4dl::testing;
using Answer = Prompter::Answer;

namespace {

std::function<int(QDialog&)> setUp(const QString& samples, int seconds)
{
    return [=](QDialog& dialog) {
        auto* setup = qobject_cast<TfrmSetupRealTime*>(&dialog);
        if (!setup)
            return int(QDialog::Rejected);
        setup->samplesField()->setText(samples);
        setup->minutesList()->setCurrentIndex(0);
        setup->secondsList()->setCurrentIndex(seconds);
        return int(QDialog::Accepted);
    };
}

// The program against the simulated meter, not yet shown, so that a test can leave a journal
// behind first.
struct Session : Fixture {
    explicit Session(const QString& journal = {})
        : Fixture({ QStringLiteral("SIMULATOR") }, {}, {}, journal)
    {
        meters.try_emplace(QStringLiteral("SIMULATOR"));
    }
    // Shows the program; `offer` answers the question about a journal left behind.
    void start(std::optional<Answer> offer = std::nullopt)
    {
        window->FormShow(); // its message about the missing template takes no answer
        if (offer)
            prompter.answers << *offer;
        clock.runDue();
    }
    // A run of `samples` at one a second, `ticks` ticks long.
    void record(int samples, int ticks)
    {
        dialogs = setUp(QString::number(samples), 1);
        window->btnRunClick();
        dialogs = nullptr;
        for (int i = 0; i < ticks; ++i)
            tick();
    }
    QString journal() const { return window->workspace().recording().journalPath(); }
    bool journalExists() const { return QFile::exists(journal()); }
    TfrmGraph* graph() const { return window->windows().realTimeGraph(); }
};

journal::JournalSample sample(int i)
{
    return { 46365.25 + i * 5.0 / 86400.0,
        { 20.0f + float(i), 19.5f - float(i), 5000.0f, -40.0f } };
}

// A journal as a killed session leaves it: `samples` records, then `tail` stray bytes; of
// version 1, as an older program wrote it, when `version` says so.
void leaveJournal(const QString& path, int samples, const QByteArray& tail = {}, int version = 2)
{
    if (version == 1) {
        journal::JournalHeader header { 46365.25, 10, 5, 1, 1 };
        QByteArray bytes = journal::encodeHeader(header);
        for (int i = 0; i < samples; ++i)
            bytes += journal::encodeRecord(sample(i), quint32(i), 1);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes + tail), qint64(bytes.size() + tail.size()));
        return;
    }
    journal::JournalWriter w(journal::JournalSyncer::Mode::Inline);
    QVERIFY(w.begin(path, { 46365.25, 10, 5, 1 }, 0));
    for (int i = 0; i < samples; ++i)
        QVERIFY(w.append(sample(i), 0));
    w.finish();
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    QCOMPARE(f.write(tail), qint64(tail.size()));
}

QString germanQuestion(int samples)
{
    return QStringLiteral("Die Echtzeitgrafik der letzten Sitzung wurde nicht gespeichert: %1 "
                          "Messwerte, aufgezeichnet ab %2. M\u00f6chten Sie sie "
                          "wiederherstellen ?")
        .arg(samples)
        .arg(chart::dateTimeText(46365.25));
}

struct ChildSamples {
    QList<QList<double>> samples;
    int synced = -1;
};

// Runs the recording child to `count` samples and kills it there.
ChildSamples recordAndKill(const QString& journal, int count)
{
    ChildSamples result;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(TC4DL_RECORDING_CHILD), { journal, QString::number(count) });
    if (!child.waitForStarted(10000))
        return result;
    bool ready = false;
    while (!ready && child.waitForReadyRead(20000)) {
        while (child.canReadLine()) {
            const QStringList words
                = QString::fromUtf8(child.readLine()).trimmed().split(QLatin1Char(' '));
            if (words.first() == QLatin1String("sample")) {
                QList<double> values;
                for (int i = 1; i < words.size(); ++i)
                    values << words[i].toDouble();
                result.samples << values;
            } else if (words.first() == QLatin1String("synced")) {
                result.synced = words.value(1).toInt();
            } else if (words.first() == QLatin1String("ready")) {
                ready = true;
            }
        }
    }
    child.kill(); // SIGKILL: no destructor, no close, nothing flushed on the way out
    child.waitForFinished(10000);
    if (!ready || child.exitStatus() != QProcess::CrashExit)
        result.synced = -2;
    return result;
}

} // namespace

class TestJournalRecovery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void theJournalFollowsTheGraph()
    {
        Session s;
        s.start();
        s.record(4, 4);
        QVERIFY(!s.window->workspace().recording().active());
        const journal::JournalContents c = journal::readJournalFile(s.journal());
        QVERIFY(c.usable());
        QCOMPARE(c.header.samplesAsked, 4u);
        QCOMPARE(c.header.samplingRate, 1u);
        QCOMPARE(int(c.samples.size()), 4);
        const chart::ChartModel& graph = s.graph()->model();
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(c.samples[std::size_t(i)].t, graph.x(0, i));
            for (int ch = 0; ch < 4; ++ch)
                QCOMPARE(c.samples[std::size_t(i)].values[std::size_t(ch)], graph.y(ch, i));
        }
        QCOMPARE(
            s.window->workspace().recording().journal()->syncedRecords(), 4u); // the stop syncs
    }

    // A killed program leaves every sample it took; a power cut, what the last sync held.
    void aKilledRecordingComesBackAtTheNextStart_data()
    {
        QTest::addColumn<bool>("powerCut");
        QTest::newRow("killed") << false;
        QTest::newRow("power cut after the last sync") << true;
    }
    void aKilledRecordingComesBackAtTheNextStart()
    {
        QFETCH(bool, powerCut);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("realtime.journal"));
        const ChildSamples child = recordAndKill(path, 25);
        QCOMPARE(child.samples.size(), 25);
        // One sample a second, synced every ten seconds.
        QVERIFY2(
            child.synced >= 15 && child.synced < 25, qPrintable(QString::number(child.synced)));
        int expected = 25;
        if (powerCut) {
            QFile f(path);
            QVERIFY(f.resize(journal::kHeaderSize + child.synced * journal::kRecordSize + 11));
            expected = child.synced;
        }

        Session next(path);
        next.start(Answer::Yes);
        QVERIFY(next.prompter.shown.contains(
            next.window->messages()
                .getTextOrDefault(QStringLiteral("IDS_140"))
                .arg(expected)
                .arg(chart::dateTimeText(journal::readJournalFile(path).header.startSerial))));
        const chart::ChartModel& graph = next.graph()->model();
        QCOMPARE(graph.points(), expected);
        QCOMPARE(next.window->workspace().recording().sampleCount(), expected);
        for (int i = 0; i < expected; ++i) {
            QCOMPARE(graph.x(0, i), child.samples[i][0]);
            for (int ch = 0; ch < 4; ++ch)
                QCOMPARE(double(graph.y(ch, i)), child.samples[i][ch + 1]);
        }
        QVERIFY(next.window->workspace().recording().unsaved());
        QVERIFY(next.journalExists()); // until the graph is saved
    }

    void theOfferAndItsAnswers_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<int>("version");
        QTest::newRow("restore") << Answer::Yes << 2;
        QTest::newRow("let go") << Answer::No << 2;
        QTest::newRow("restore a journal of the former version") << Answer::Yes << 1;
    }
    void theOfferAndItsAnswers()
    {
        QFETCH(Answer, answer);
        QFETCH(int, version);
        Session s;
        // A torn last record: the three before it come back.
        leaveJournal(s.journal(), 3, journal::encodeRecord(sample(3), 3, quint16(version)).left(17),
            version);
        s.start(answer);
        QVERIFY(s.prompter.answers.isEmpty());
        QVERIFY(s.prompter.shown.contains(germanQuestion(3)));
        const bool restored = answer == Answer::Yes;
        QCOMPARE(s.journalExists(), restored);
        QCOMPARE(s.window->workspace().recording().sampleCount(), restored ? 3 : 0);
        QCOMPARE(s.window->workspace().recording().unsaved(), restored);
        if (!restored)
            return;
        // As Stop leaves a run: trimmed, the X axis from the start to the last sample, the
        // running MAX and MIN, the averages without the over-range channel.
        TfrmGraph* g = s.graph();
        QCOMPARE(g->model().points(), 3);
        QCOMPARE(g->model().look.xScale.min, 46365.25);
        QCOMPARE(g->model().look.xScale.max, sample(2).t);
        QCOMPARE(g->dataNoBox()->text(), QStringLiteral("3"));
        QCOMPARE(g->startTimeBox()->text(), chart::dateTimeText(46365.25));
        QCOMPARE(g->maxBox(0)->text(), chart::valueAtText(22.0f, sample(2).t));
        QCOMPARE(g->minBox(1)->text(), chart::valueAtText(17.5f, sample(2).t));
        QCOMPARE(g->maxBox(2)->text(), QStringLiteral("OL"));
        QCOMPARE(g->avgBox(0)->text(), QStringLiteral("21,000"));
        QCOMPARE(g->avgBox(2)->text(), QStringLiteral("****"));
        QVERIFY(g->clearEnabled());
        QVERIFY(!s.window->workspace().recording().active());
        // The rate the run was recorded at (00:05), not the one stored before.
        QCOMPARE(g->minutesList()->currentIndex(), 0);
        QCOMPARE(g->secondsList()->currentIndex(), 5);
    }

    void theQuestionInBothLanguages()
    {
        const MessageTable t = MessageTable::forWindow(QStringLiteral("TfrmMain"));
        const QString key = QStringLiteral("IDS_140");
        QCOMPARE(t.text(Section::Strings, key, Language::English),
            QStringLiteral("The Real-Time graph of the last session was not saved: %1 "
                           "samples, recorded from %2. Do you want to restore it ?"));
        QCOMPARE(
            t.getTextOrDefault(key).arg(3).arg(chart::dateTimeText(46365.25)), germanQuestion(3));
    }

    void aJournalWithNothingUsableGoesWithoutAQuestion_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray header = journal::encodeHeader({ 46365.25, 10, 5, 1 });
        QTest::newRow("no sample") << header;
        QTest::newRow("torn first sample") << header + journal::encodeRecord(sample(0), 0).left(20);
        QByteArray other = header + journal::encodeRecord(sample(0), 0);
        other[8] = 9;
        QTest::newRow("another version") << other;
        QTest::newRow("garbage") << QByteArray(500, '\x5a');
        QTest::newRow("empty") << QByteArray();
    }
    void aJournalWithNothingUsableGoesWithoutAQuestion()
    {
        QFETCH(QByteArray, bytes);
        Session s;
        QFile f(s.journal());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), qint64(bytes.size()));
        f.close();
        s.start();
        QVERIFY(s.prompter.unexpectedQuestions.isEmpty());
        QVERIFY(!s.prompter.shown.contains(germanQuestion(0)));
        QVERIFY(!s.journalExists());
        QCOMPARE(s.window->workspace().recording().sampleCount(), 0);
    }

    // After a run of three samples: how the graph ends, the answers that takes, and whether
    // the journal is still there.
    void theJournalEndsWithTheRunsGraph_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("kept");
        const QList<Answer> none;
        QTest::newRow("saved") << "save" << none << "run.ghf" << false;
        QTest::newRow("save cancelled") << "save" << none << "" << true;
        QTest::newRow("save failed") << "save" << none << "missing/run.ghf" << true;
        QTest::newRow("cleared") << "clear" << QList<Answer> { Answer::No } << "" << false;
        QTest::newRow("closed, not saved")
            << "close" << QList<Answer> { Answer::No } << "" << false;
        QTest::newRow("closed after saving")
            << "close" << QList<Answer> { Answer::Yes } << "run.ghf" << false;
        QTest::newRow("close cancelled")
            << "close" << QList<Answer> { Answer::Cancel } << "" << true;
        QTest::newRow("program closed") << "quit" << QList<Answer> { Answer::No } << "" << false;
        QTest::newRow("program close cancelled")
            << "quit" << QList<Answer> { Answer::Cancel } << "" << true;
        QTest::newRow("exit") << "exit" << none << "" << true;
    }
    void theJournalEndsWithTheRunsGraph()
    {
        QFETCH(QString, way);
        QFETCH(QList<Answer>, answers);
        QFETCH(QString, fileName);
        QFETCH(bool, kept);
        QTemporaryDir files;
        Session s;
        s.start();
        s.record(3, 3);
        QVERIFY(s.journalExists());
        s.prompter.answers = answers;
        if (!fileName.isEmpty() || way == QLatin1String("save"))
            s.prompter.fileNames << (fileName.isEmpty() ? QString() : files.filePath(fileName));
        const QString path = s.journal();
        if (way == QLatin1String("save")) {
            s.graph()->save();
        } else if (way == QLatin1String("clear")) {
            s.graph()->commands()->tbntClrClick();
        } else if (way == QLatin1String("close")) {
            s.graph()->frameWindow()->close();
        } else if (way == QLatin1String("quit")) {
            s.window->close();
        } else {
            s.window->Exit1Click();
            delete std::exchange(s.window, nullptr);
        }
        QVERIFY(s.prompter.answers.isEmpty());
        QVERIFY(s.prompter.fileNames.isEmpty());
        QCOMPARE(QFile::exists(path), kept);
    }

    void aJournalThatCannotBeWrittenLeavesTheRunGoing()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Session s(dir.filePath(QStringLiteral("file/realtime.journal")));
        s.start();
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("could not be written")));
        s.record(3, 3);
        QCOMPARE(s.window->workspace().recording().sampleCount(), 3);
        QCOMPARE(s.graph()->model().points(), 3);
    }

    // A save in the middle of a run holds only the samples so far: the journal goes on.
    void aSaveDuringTheRunKeepsTheJournal()
    {
        QTemporaryDir files;
        Session s;
        s.start();
        s.record(10, 2);
        s.prompter.fileNames << files.filePath(QStringLiteral("part.ghf"));
        s.graph()->save();
        QVERIFY(s.journalExists());
        s.tick();
        QCOMPARE(int(journal::readJournalFile(s.journal()).samples.size()), 3);
        // A later Run replaces it with the new run's journal.
        s.window->btnStopClick();
        s.prompter.answers << Answer::No;
        s.record(5, 1);
        const journal::JournalContents c = journal::readJournalFile(s.journal());
        QCOMPARE(c.header.samplesAsked, 5u);
        QCOMPARE(int(c.samples.size()), 1);
    }
};

QTEST_MAIN(TestJournalRecovery)
#include "tst_journalrecovery.moc"
