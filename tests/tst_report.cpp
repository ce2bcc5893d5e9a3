// The report to hand on: its numbers (statistics, MKT, limits) and the PDF as the programs that
// read PDFs see it (pdftotext, pdffonts, pdfimages, pdftoppm).

#include "LoggerImages.h"
#include "PdfTools.h"

#include "Alarm.h"
#include "ChartModel.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "Mkt.h"
#include "ReportGraph.h"
#include "ReportRun.h"
#include "ReportWriter.h"
#include "RunSummary.h"

#include <QCryptographicHash>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace tc4dl;
using namespace tc4dl::report;
using loggerimages::RecordedSet;

namespace {

constexpr quint16 kOL = 0x7FFF; // 3276.7: beyond the value limits

// A set from 2026-04-15 `start`, `interval` s apart, in °C (unit 1) or °F (0): T1 as given (in
// tenths), T2 25.0 throughout, T3 an open probe ("OL"), T4 `t1` less 5.0.
RecordedSet setOf(QTime start, int interval, quint8 unit, const QList<int>& t1)
{
    RecordedSet s = loggerimages::setRecordedAt(QDate(2026, 4, 15), start, interval, 0);
    s.unit = unit;
    for (const int v : t1)
        s.samples.push_back({ static_cast<quint16>(v), 250, kOL, static_cast<quint16>(v - 50) });
    return s;
}

struct Decoded {
    QByteArray bytes;
    DataSetStore store;
};

Decoded decoded(const QByteArray& image)
{
    Decoded d;
    d.bytes = image;
    const DecodeOutcome outcome
        = decodeMemoryImage(MemoryImage(image, image.size() - 1), QDateTime(), d.store);
    if (outcome.result != LoadResult::Success)
        qWarning("the image does not decode");
    return d;
}

ReportRun runOf(const Decoded& d)
{
    std::vector<int> sets;
    for (int k = 0; k < d.store.setCount(); ++k)
        sets.push_back(k);
    std::optional<ReportRun> run = runOfSets(d.store, d.bytes, sets, RunPart::Origin::FileSet);
    return run.value_or(ReportRun {});
}

ReportLimits limitsOf(const QStringList& specs, double hysteresis)
{
    ReportLimits limits;
    for (const QString& spec : specs)
        limits.rules.push_back(alarm::parseAlarmSpec(spec).value());
    limits.hysteresis = { hysteresis, hysteresis, hysteresis, hysteresis };
    return limits;
}

ReportOptions optionsFor(const ReportLimits& limits, bool german)
{
    ReportOptions o;
    o.title = QStringLiteral("Oven validation");
    o.site = QStringLiteral("Line 3");
    o.operatorName = QStringLiteral("A. Tester");
    o.made = QDateTime(QDate(2026, 12, 9), QTime(16, 30, 0));
    o.program = QStringLiteral("TC4DL 0.1.0");
    o.language = german ? Language::German : Language::English;
    o.locale = german ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c();
    o.limits = limits;
    return o;
}

// What one of poppler's programs prints for `pdf`, or nothing when it is not installed.
std::optional<QString> poppler(const QString& tool, const QStringList& args, const QByteArray& pdf)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("report.pdf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return QString();
    file.close();
    return pdftools::popplerOutput(tool, args, file.fileName());
}

// The lines of a PDF's text, laid out as on the page.
QString textOf(const QByteArray& pdf)
{
    const std::optional<QString> text
        = poppler(QStringLiteral("pdftotext"), { QStringLiteral("-layout") }, pdf);
    if (!text)
        QTest::qSkip("pdftotext (poppler-utils) is needed to read the report", __FILE__, __LINE__);
    return text.value_or(QString());
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // MKT against values worked out by hand: a constant run gives the constant, two values give
    // the closed form T = (ΔH/R) / −ln((e^(−ΔH/RT₁) + e^(−ΔH/RT₂)) / 2).
    void mktMatchesHandWorkedValues_data()
    {
        QTest::addColumn<QList<double>>("readings"); // in the unit below
        QTest::addColumn<bool>("celsius");
        QTest::addColumn<double>("activationEnergy");
        QTest::addColumn<double>("mkt");
        QTest::newRow("constant") << QList<double>(1000, 21.7) << true << 83.144 << 21.7;
        QTest::newRow("constant cold") << QList<double>(7, -195.5) << true << 120.0 << -195.5;
        // 20 and 30 °C: 26.2598777117 °C, above the mean, as the warm hour ages more.
        QTest::newRow("two values")
            << QList<double> { 20.0, 30.0 } << true << 83.144 << 26.259877711714694;
        QTest::newRow("two values, order kept")
            << QList<double> { 30.0, 20.0 } << true << 83.144 << 26.259877711714694;
        QTest::newRow("two values, 60 kJ/mol")
            << QList<double> { 20.0, 30.0 } << true << 60.0 << 25.907469676501137;
        QTest::newRow("two values, 120 kJ/mol")
            << QList<double> { -20.0, 40.0 } << true << 120.0 << 35.36030748197362;
        // The same readings in °F give the same temperature in °F.
        QTest::newRow("two values in Fahrenheit")
            << QList<double> { 68.0, 86.0 } << false << 83.144 << 79.26777988108645;
    }
    void mktMatchesHandWorkedValues()
    {
        QFETCH(QList<double>, readings);
        QFETCH(bool, celsius);
        QFETCH(double, activationEnergy);
        QFETCH(double, mkt);
        MeanKineticTemperature m(activationEnergy);
        for (const double r : readings)
            m.add(toKelvin(r, celsius));
        QVERIFY(m.kelvin().has_value());
        QVERIFY2(std::abs(fromKelvin(*m.kelvin(), celsius) - mkt) < 1e-9,
            qPrintable(QString::number(fromKelvin(*m.kelvin(), celsius), 'g', 17)));
        if (readings.size() == 2 && celsius) {
            const double a = activationEnergy * 1000.0 / kGasConstant;
            const double t1 = readings[0] + 273.15;
            const double t2 = readings[1] + 273.15;
            const double closed
                = a / -std::log((std::exp(-a / t1) + std::exp(-a / t2)) / 2.0) - 273.15;
            QVERIFY(std::abs(closed - mkt) < 1e-9);
        }
    }

    void mktOfNothingOrBelowAbsoluteZeroIsNone()
    {
        MeanKineticTemperature none;
        QVERIFY(!none.kelvin());
        MeanKineticTemperature damaged;
        damaged.add(toKelvin(20.0, true));
        damaged.add(toKelvin(-280.0, true));
        QVERIFY(!damaged.kelvin());
    }

    // Runs as a person meets them: the numbers of the summary are the alarm library's, set by
    // set, and the PDF shows them.
    void runs_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QStringList>("rules");
        QTest::addColumn<double>("hysteresis");
        QTest::addColumn<int>("crossings");
        QTest::addColumn<QList<double>>("outside"); // seconds, per rule
        QTest::addColumn<QList<double>>("longest"); // seconds, per rule (0: none)
        QTest::addColumn<bool>("german");
        QTest::addColumn<QStringList>("lines"); // patterns of lines in the PDF's text

        const QTime ten(10, 0, 0);
        QTest::newRow("never leaves its limits")
            << loggerimages::image({ setOf(ten, 60, 1, { 200, 210, 220, 230 }) })
            << QStringList { QStringLiteral("T1>30"), QStringLiteral("T1<10") } << 1.0 << 0
            << QList<double> { 0.0, 0.0 } << QList<double> { 0.0, 0.0 } << false
            << QStringList {
                   QStringLiteral(
                       R"(^\s*T1\s+20\.0\s+23\.0\s+21\.5\s+1\.3\s+21\.6\s+4\s+0\s+0\s*$)"),
                   QStringLiteral(
                       R"(^\s*T2\s+25\.0\s+25\.0\s+25\.0\s+0\.0\s+25\.0\s+4\s+0\s+0\s*$)"),
                   QStringLiteral(R"(^\s*T3\s+–\s+–\s+–\s+–\s+–\s+0\s+4\s+0\s*$)"),
                   QStringLiteral(R"(T3: no reading in this run\.)"),
                   QStringLiteral(R"(T1: within limits\.)"),
                   QStringLiteral(R"(No limit was crossed\.)"),
                   QStringLiteral(R"(Statistics \(°C\))"),
                   QStringLiteral(R"(Breaks:\s+none)"),
               };
        // Back below the limit, but not by the hysteresis: one crossing, two samples outside.
        QTest::newRow("leaves and comes back inside the hysteresis")
            << loggerimages::image({ setOf(ten, 60, 1, { 100, 105, 95, 105, 95 }) })
            << QStringList { QStringLiteral("T1>10") } << 1.0 << 1 << QList<double> { 120.0 }
            << QList<double> { 60.0 } << false
            << QStringList {
                   QStringLiteral(
                       R"(^\s*T1\s+9\.5\s+10\.5\s+10\.0\s+0\.5\s+10\.0\s+5\s+0\s+0\s*$)"),
                   QStringLiteral(R"(T1: outside limits for 0:02:00\.)"),
                   QStringLiteral(R"(T1 > 10 °C\s+1\s+1\s+0:02:00)"),
                   QStringLiteral(R"(10:01:00\s+T1\s+10\.5\s+T1 > 10 °C)"),
               };
        QTest::newRow("in Fahrenheit, in German")
            << loggerimages::image({ setOf(ten, 30, 0, { 680, 860 }) })
            << QStringList { QStringLiteral("T1>80") } << 1.0 << 1 << QList<double> { 30.0 }
            << QList<double> { 30.0 } << true
            << QStringList {
                   QStringLiteral(R"(^\s*T1\s+68,0\s+86,0\s+77,0\s+12,7\s+79,3\s+2\s+0\s+0\s*$)"),
                   QStringLiteral(R"(Statistik \(°F\))"),
                   QStringLiteral(R"(T1: außerhalb der Grenzwerte für 0:00:30\.)"),
                   QStringLiteral(R"(Seite 1 von \d)"),
                   QStringLiteral(R"(Aktivierungsenergie ΔH = 83,144 kJ/mol)"),
               };
        // Two runs with a pause: the alarm monitor starts again with each set, as
        // `tc4dl-cli alarms` reads them set by set.
        QTest::newRow("a timeline with a break")
            << loggerimages::image({ setOf(ten, 60, 1, { 190, 210, 190 }),
                   setOf(QTime(12, 0, 0), 60, 1, { 210, 190, 210 }) })
            << QStringList { QStringLiteral("T1>20") } << 1.0 << 3 << QList<double> { 180.0 }
            << QList<double> { 60.0 } << false
            << QStringList {
                   QStringLiteral(R"(Breaks:\s+1)"),
                   QStringLiteral(R"(10:03:00\s+1:57:00)"),
                   QStringLiteral(
                       R"(^\s*T1\s+19\.0\s+21\.0\s+20\.0\s+1\.1\s+20\.1\s+6\s+0\s+0\s*$)"),
                   QStringLiteral(R"(Set 2, .*12:00:00)"),
                   QStringLiteral(R"(^\s*[0-9a-f]{64}\s*$)"),
               };
        // An open probe in the middle of a stretch ends it: the stretch after it is another.
        QTest::newRow("an open probe breaks an excursion")
            << loggerimages::image({ setOf(ten, 60, 1, { 210, 220, kOL, 230, 240, 250, 100 }) })
            << QStringList { QStringLiteral("T1>20") } << 1.0 << 1 << QList<double> { 300.0 }
            << QList<double> { 180.0 } << false
            << QStringList {
                   QStringLiteral(R"(^\s*T1\s+10\.0\s+25\.0\s+20\.8\s+5\.5\s+\S+\s+6\s+1\s+0\s*$)"),
                   QStringLiteral(R"(10:03:00 to 10:06:00\s+\(0:03:00\))"),
               };
    }

    void summaryCountsAsTheAlarmsDo_data() { runs_data(); }
    void summaryCountsAsTheAlarmsDo()
    {
        QFETCH(QByteArray, image);
        QFETCH(QStringList, rules);
        QFETCH(double, hysteresis);
        QFETCH(int, crossings);
        QFETCH(QList<double>, outside);
        QFETCH(QList<double>, longest);
        const Decoded d = decoded(image);
        const ReportRun run = runOf(d);
        const ReportLimits limits = limitsOf(rules, hysteresis);
        const RunSummary summary = summarize(run, limits, kDefaultActivationEnergy);

        std::vector<alarm::Crossing> expected;
        for (int k = 0; k < d.store.setCount(); ++k)
            for (const alarm::Crossing& c : alarm::crossingsInRun(d.store.setValues(k),
                     d.store.startTime(k), d.store.interval(k), limits.rules, limits.hysteresis))
                expected.push_back(c);
        QCOMPARE(int(summary.crossings.size()), crossings);
        QCOMPARE(summary.crossings.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(summary.crossings[i].serial, expected[i].serial);
            QCOMPARE(summary.crossings[i].value, expected[i].value);
            QVERIFY(summary.crossings[i].rule == expected[i].rule);
        }
        QCOMPARE(int(summary.limits.size()), int(rules.size()));
        for (qsizetype i = 0; i < rules.size(); ++i) {
            const LimitSummary& l = summary.limits[std::size_t(i)];
            QCOMPARE(l.secondsOutside, outside[i]);
            QCOMPARE(l.longest ? l.longest->seconds : 0.0, longest[i]);
            if (l.longest)
                QVERIFY(std::abs((l.longest->end - l.longest->start) * 86400.0 - l.longest->seconds)
                    < 1e-3);
        }
    }

    void pdfTextShowsTheNumbers_data() { runs_data(); }
    void pdfTextShowsTheNumbers()
    {
        QFETCH(QByteArray, image);
        QFETCH(QStringList, rules);
        QFETCH(double, hysteresis);
        QFETCH(bool, german);
        QFETCH(QStringList, lines);
        const ReportRun run = runOf(decoded(image));
        int pages = 0;
        const QByteArray pdf
            = renderReport(run, optionsFor(limitsOf(rules, hysteresis), german), &pages);
        QVERIFY(pdf.startsWith("%PDF-"));
        const QString text = textOf(pdf);
        for (const QString& line : lines) {
            const QRegularExpression pattern(line, QRegularExpression::MultilineOption);
            QVERIFY2(
                pattern.match(text).hasMatch(), qPrintable(line + QStringLiteral("\n") + text));
        }
        // Every page says which of how many it is, and the title and operator are there.
        const QString pageOf
            = german ? QStringLiteral("Seite %1 von %2") : QStringLiteral("Page %1 of %2");
        for (int p = 1; p <= pages; ++p)
            QVERIFY(text.contains(pageOf.arg(p).arg(pages)));
        QVERIFY(text.contains(QStringLiteral("Oven validation")));
        QVERIFY(text.contains(QStringLiteral("A. Tester")));
    }

    // The statistics of a graph: cells without a reading and "OL" are counted apart, a channel
    // without any reading says so, the notes on the graph are the events, and without a unit
    // there is no MKT.
    void graphRunCountsCellsWithoutReading()
    {
        chart::ChartModel graph;
        graph.setSubsets(4);
        graph.setPoints(10); // room for more than was recorded
        const double start = dateTimeSerial(QDate(2026, 12, 9), QTime(8, 0, 0));
        const float t1[] = { 50.0f, 55.0f, 9999.0f, 60.0f, 3276.7f, 65.0f };
        for (int p = 0; p < 6; ++p)
            for (int s = 0; s < 4; ++s) {
                graph.setX(s, p, start + p * 2.0 / 86400.0);
                graph.setY(s, p, s == 0 ? t1[p] : s == 3 ? 9999.0f : 20.0f);
            }
        graph.setAnnotation(0,
            { chart::kAnnotationText, start + 4.0 / 86400.0, 40.0,
                QStringLiteral("Door opened\rclosed again"), 0 });
        ReportRun run = runOfGraph(graph, std::nullopt);
        run.source = { RunSource::Kind::GraphFile, QStringLiteral("oven.ghf") };
        QCOMPARE(run.points(), 6);
        QCOMPARE(run.parts.front().intervalSeconds, 2.0);
        const RunSummary summary = summarize(run, {}, kDefaultActivationEnergy);
        const chart::ReadingStatistics& r = summary.channels[0].readings;
        QCOMPARE(r.readings, qint64(4));
        QCOMPARE(r.noValue, qint64(1));
        QCOMPARE(r.overLimit, qint64(1));
        QCOMPARE(r.mean, 57.5);
        QVERIFY(!summary.channels[0].mkt);

        const QString text = textOf(renderReport(run, optionsFor({}, false)));
        QVERIFY(text.contains(QStringLiteral("Graph file oven.ghf")));
        QVERIFY(QRegularExpression(
            QStringLiteral(R"(^\s*T1\s+50\.0\s+65\.0\s+57\.5\s+6\.5\s+–\s+4\s+1\s+1\s*$)"),
            QRegularExpression::MultilineOption)
                    .match(text)
                    .hasMatch());
        QVERIFY(text.contains(QStringLiteral("T4: no reading in this run.")));
        QVERIFY(text.contains(QStringLiteral("Door opened; closed again")));
        QVERIFY(text.contains(QStringLiteral("no MKT is given")));
        QVERIFY(text.contains(QStringLiteral("No limits were set for this report.")));
    }

    // A damaged graph file still makes a whole report: a point without a time is left out,
    // values beyond any number are "OL", points out of order are drawn where they belong.
    void damagedGraphStillReports()
    {
        chart::ChartModel graph;
        graph.setSubsets(4);
        graph.setPoints(4);
        const double start = dateTimeSerial(QDate(2026, 12, 9), QTime(8, 0, 0));
        const double xs[]
            = { start + 0.01, std::numeric_limits<double>::quiet_NaN(), start, 1e300 };
        const float ys[] = { 20.0f, 21.0f, std::numeric_limits<float>::infinity(),
            std::numeric_limits<float>::quiet_NaN() };
        for (int p = 0; p < 4; ++p)
            for (int s = 0; s < 4; ++s) {
                graph.setX(s, p, xs[p]);
                graph.setY(s, p, ys[p]);
            }
        const ReportRun run = runOfGraph(graph, true);
        QCOMPARE(run.points(), 3);
        const RunSummary summary = summarize(run, {}, kDefaultActivationEnergy);
        QCOMPARE(summary.channels[0].readings.readings, qint64(1));
        QCOMPARE(summary.channels[0].readings.overLimit, qint64(2));
        int pages = 0;
        const QByteArray pdf = renderReport(run, optionsFor({}, false), &pages);
        QVERIFY(pdf.startsWith("%PDF-"));
        QVERIFY(pages >= 1);
        QVERIFY(textOf(pdf).contains(QStringLiteral("Page 1 of")));
    }

    // The fingerprint of a set is the SHA-256 of its bytes from its start mark to its end mark,
    // the hash the archive keeps of the same set.
    void fingerprintIsTheSetsHash()
    {
        const RecordedSet set = setOf(QTime(9, 0, 0), 60, 1, { 200, 201 });
        const Decoded d
            = decoded(loggerimages::image({ setOf(QTime(8, 0, 0), 60, 1, { 1 }), set }));
        const std::optional<ReportRun> run
            = runOfSets(d.store, d.bytes, { 1 }, RunPart::Origin::ArchiveSet, { 0, 42 });
        QVERIFY(run);
        QCOMPARE(run->parts.size(), std::size_t(1));
        QCOMPARE(run->parts.front().number, qint64(42));
        const QByteArray digest
            = QCryptographicHash::hash(loggerimages::setBytes(set), QCryptographicHash::Sha256);
        QCOMPARE(run->parts.front().sha256, digest);
        QVERIFY(textOf(renderReport(*run, optionsFor({}, false)))
                    .contains(QString::fromLatin1(digest.toHex())));
    }

    void setsInBothUnitsMakeNoRun()
    {
        const Decoded d = decoded(loggerimages::image(
            { setOf(QTime(8, 0, 0), 60, 1, { 1 }), setOf(QTime(9, 0, 0), 60, 0, { 1 }) }));
        QVERIFY(!runOfSets(d.store, d.bytes, { 0, 1 }, RunPart::Origin::FileSet));
        QVERIFY(runOfSets(d.store, d.bytes, { 1 }, RunPart::Origin::FileSet));
    }

    // Every font the PDF uses travels with it, so it reads the same on any machine.
    void fontsAreEmbedded()
    {
        const ReportRun run
            = runOf(decoded(loggerimages::image({ setOf(QTime(10, 0, 0), 60, 1, { 200, 210 }) })));
        const std::optional<QString> fonts
            = poppler(QStringLiteral("pdffonts"), {}, renderReport(run, optionsFor({}, true)));
        if (!fonts)
            QSKIP("pdffonts (poppler-utils) is needed");
        const QStringList lines = fonts->split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
        QVERIFY(!lines.isEmpty());
        for (const QString& line : lines) {
            // name, type (one or two words), encoding, emb, sub, uni, object, id
            const QStringList fields = line.simplified().split(QLatin1Char(' '));
            QVERIFY2(fields.size() >= 7, qPrintable(line));
            QCOMPARE(fields[fields.size() - 5], QStringLiteral("yes"));
        }
        QVERIFY(fonts->contains(QStringLiteral("DejaVuSans")));
    }

    // The graph is vector graphics: no picture in the PDF, and a long run is thinned to the
    // page, so that a year of samples stays small. The page shows the curves in their colours.
    void graphIsVectorsThinnedToThePage()
    {
        // 20,000 samples of a slow wave with a short spike.
        QList<int> t1;
        for (int j = 0; j < 20000; ++j)
            t1.append(int(200 + 50 * std::sin(j / 800.0)) + (j == 12345 ? 300 : 0));
        const ReportRun run
            = runOf(decoded(loggerimages::image({ setOf(QTime(0, 0, 0), 10, 1, t1) })));
        const QByteArray pdf
            = renderReport(run, optionsFor(limitsOf({ QStringLiteral("T1>40") }, 1.0), false));
        QVERIFY2(pdf.size() < 400 * 1024, qPrintable(QString::number(pdf.size())));
        const std::optional<QString> images
            = poppler(QStringLiteral("pdfimages"), { QStringLiteral("-list") }, pdf);
        if (!images)
            QSKIP("pdfimages (poppler-utils) is needed");
        QCOMPARE(images->split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 2); // the header only

        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty())
            QSKIP("pdftoppm (poppler-utils) is needed");
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("r.pdf")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size());
        file.close();
        QCOMPARE(QProcess::execute(pdftoppm,
                     { QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                         QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                         QStringLiteral("1"), QStringLiteral("-singlefile"), file.fileName(),
                         dir.filePath(QStringLiteral("page")) }),
            0);
        const QImage page(dir.filePath(QStringLiteral("page.png")));
        QVERIFY(!page.isNull());
        // Each curve's pen shows on the page: the spike reaches the top of T1's range.
        for (const int c : { 0, 1, 3 }) {
            const QColor pen = channelColor(c);
            int found = 0;
            for (int y = 0; y < page.height(); ++y)
                for (int x = 0; x < page.width(); ++x) {
                    const QColor px = page.pixelColor(x, y);
                    if (std::abs(px.red() - pen.red()) + std::abs(px.green() - pen.green())
                            + std::abs(px.blue() - pen.blue())
                        < 60)
                        ++found;
                }
            QVERIFY2(found > 50, qPrintable(QStringLiteral("T%1: %2").arg(c + 1).arg(found)));
        }
    }

    void paperFollowsTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("paper");
        QTest::newRow("Germany") << QLocale(QLocale::German, QLocale::Germany)
                                 << int(QPageSize::A4);
        QTest::newRow("United States")
            << QLocale(QLocale::English, QLocale::UnitedStates) << int(QPageSize::Letter);
        QTest::newRow("Canada") << QLocale(QLocale::French, QLocale::Canada)
                                << int(QPageSize::Letter);
        QTest::newRow("United Kingdom")
            << QLocale(QLocale::English, QLocale::UnitedKingdom) << int(QPageSize::A4);
        QTest::newRow("C") << QLocale::c() << int(QPageSize::A4);
    }
    void paperFollowsTheLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(int, paper);
        QCOMPARE(int(paperForLocale(locale)), paper);
    }

    // A Letter report is laid out on Letter pages.
    void letterPagesAreLetter()
    {
        const ReportRun run
            = runOf(decoded(loggerimages::image({ setOf(QTime(10, 0, 0), 60, 1, { 200 }) })));
        ReportOptions options = optionsFor({}, false);
        options.paper = QPageSize::Letter;
        const std::optional<QString> info
            = poppler(QStringLiteral("pdfinfo"), {}, renderReport(run, options));
        if (!info)
            QSKIP("pdfinfo (poppler-utils) is needed");
        QVERIFY2(info->contains(QStringLiteral("612 x 792 pts (letter)")), qPrintable(*info));
    }

    // An empty run still makes a whole report that says so.
    void runWithoutSamplesSaysSo()
    {
        const ReportRun run
            = runOf(decoded(loggerimages::image({ setOf(QTime(10, 0, 0), 60, 1, {}) })));
        const QString text = textOf(renderReport(run, optionsFor({}, false)));
        QVERIFY(text.contains(QStringLiteral("No samples in this run.")));
        QVERIFY(text.contains(QStringLiteral("T1: no reading in this run.")));
    }

    void writeReplacesTheFileWholeOrSaysWhy()
    {
        const ReportRun run
            = runOf(decoded(loggerimages::image({ setOf(QTime(10, 0, 0), 60, 1, { 200 }) })));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.pdf"));
        QString error;
        QVERIFY(writeReport(run, optionsFor({}, false), path, &error));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().startsWith("%PDF-"));
        QVERIFY(!writeReport(
            run, optionsFor({}, false), dir.filePath(QStringLiteral("no/such/r.pdf")), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
