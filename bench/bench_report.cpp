// The report of a run against graphing it. First a year at one sample a minute, 33 sets of
// 16,000 samples as one timeline, with limits on two channels: the time from the decoded store
// to the PDF's bytes, the PDF's size and the process's peak memory (measured first, so that
// nothing else has been loaded yet). Then one set of 16,000 samples: graphed in a logger window
// of 1600 x 1000 (the chart set up anew, the statistics, one redraw) against its report, in one
// run. Runs offscreen; `bench_report FILE.pdf` also writes the year's report to FILE.pdf.

#include "../tests/LoggerImages.h"
#include "LoggerWindowServices.h"

#include "ChartQcp.h"
#include "ChartView.h"
#include "DataLoggerWindow.h"
#include "DataSetStore.h"
#include "DecodeMemoryImage.h"
#include "GraphConfig.h"
#include "ReportWriter.h"
#include "TfrmGraph.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace tc4dl;

namespace {

using Services = bench::LoggerWindowServices;

// A cold store over a year: a daily swing, a compressor cycle, noise, and a door left open
// now and then; T1..T4 at different places. `sets` sets of `perSet` samples, 60 s apart, one
// after the other with a pause of an hour between two.
QByteArray yearImage(int sets, int perSet)
{
    QList<loggerimages::RecordedSet> recorded;
    QDateTime start(QDate(2025, 1, 1), QTime(0, 0, 0), Qt::UTC);
    quint32 noise = 12345;
    for (int k = 0; k < sets; ++k) {
        loggerimages::RecordedSet s
            = loggerimages::setRecordedAt(start.date(), start.time(), 60, 0);
        s.samples.reserve(std::size_t(perSet));
        for (int j = 0; j < perSet; ++j) {
            const double minutes = double(k) * perSet + j;
            const double day = std::sin(minutes / 1440.0 * 2 * 3.14159265);
            const double cycle = std::sin(minutes / 40.0 * 2 * 3.14159265);
            noise = noise * 1664525u + 1013904223u;
            const double jitter = (noise >> 20) / 4096.0 - 0.5;
            const double door = (int(minutes) % 10007) < 30 ? 6.0 : 0.0;
            const auto tenths = [](double v) { return static_cast<quint16>(std::lround(v * 10)); };
            s.samples.push_back({ tenths(4.0 + 0.8 * day + 1.2 * cycle + jitter + door),
                tenths(4.5 + 0.3 * day + 0.1 * cycle), tenths(-1.0 + 2.0 * cycle + jitter),
                tenths(6.0 + 1.5 * day + 0.2 * door) });
        }
        recorded.append(s);
        start = start.addSecs(qint64(perSet) * 60 + 3600);
    }
    return loggerimages::image(recorded);
}

report::ReportOptions options()
{
    report::ReportOptions o;
    o.title = QStringLiteral("Cold store, 2025");
    o.made = QDateTime(QDate(2026, 1, 5), QTime(9, 0));
    o.program = QStringLiteral("TC4DL bench");
    for (const char* spec : { "T1>8", "T1<0", "T4>9" })
        o.limits.rules.push_back(alarm::parseAlarmSpec(QString::fromLatin1(spec)).value());
    return o;
}

DataSetStore decoded(const QByteArray& bytes)
{
    DataSetStore store;
    if (decodeMemoryImage(MemoryImage(bytes, bytes.size() - 1), QDateTime(), store).result
        != LoadResult::Success)
        std::fprintf(stderr, "the image does not decode\n");
    return store;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    {
        const QByteArray bytes = yearImage(33, 16000);
        const DataSetStore store = decoded(bytes);
        std::vector<int> all(std::size_t(store.setCount()));
        for (int k = 0; k < store.setCount(); ++k)
            all[std::size_t(k)] = k;
        const double before = peakMegabytes();
        QElapsedTimer timer;
        timer.start();
        const std::optional<report::ReportRun> run
            = report::runOfSets(store, bytes, all, report::RunPart::Origin::ArchiveSet);
        int pages = 0;
        const QByteArray pdf = report::renderReport(*run, options(), &pages);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        std::printf("a year, %d sets of 16000 samples as one timeline: %8.1f ms (target <= 3000)\n",
            store.setCount(), ms);
        std::printf(
            "  PDF %.2f MB, %d pages (target <= 5 MB)\n", double(pdf.size()) / 1048576.0, pages);
        std::printf("  peak memory %.0f MB (the store and its image %.0f MB; target <= 300)\n",
            peakMegabytes(), before);
        // `bench_report FILE.pdf` keeps the year's report to look at.
        if (argc > 1) {
            QFile file(QString::fromLocal8Bit(argv[1]));
            if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
                std::fprintf(stderr, "cannot write %s\n", argv[1]);
        }
    }

    Services services;
    if (!writeDefaultTemplate(QDir(services.folder.path()).filePath(graphTemplateRelativePath()))) {
        std::fprintf(stderr, "cannot write the graph template\n");
        return 1;
    }
    const QByteArray bytes = yearImage(1, 16000);
    const DataSetStore store = decoded(bytes);
    TfrmGraph window(services);
    window.setWindowTitle(TfrmGraph::dataLoggerCaption());
    window.dataSetPanel()->show();
    window.resize(1600, 1000);
    window.show();
    FillDataSetList(window, store);
    QImage target(window.graph()->size(), QImage::Format_ARGB32_Premultiplied);

    // Alternating; the first rounds warm the caches.
    std::vector<double> graphed;
    std::vector<double> reported;
    qsizetype size = 0;
    for (int i = 0; i < 11 + 2; ++i) {
        QElapsedTimer timer;
        timer.start();
        GraphDataSet(window, services, store, 0);
        window.graph()->plot()->render(&target);
        const double graphMs = double(timer.nsecsElapsed()) / 1e6;
        timer.restart();
        const std::optional<report::ReportRun> run
            = report::runOfSets(store, bytes, { 0 }, report::RunPart::Origin::FileSet);
        size = report::renderReport(*run, options()).size();
        const double reportMs = double(timer.nsecsElapsed()) / 1e6;
        if (i >= 2) {
            graphed.push_back(graphMs);
            reported.push_back(reportMs);
        }
    }
    const double graphMs = median(graphed);
    const double reportMs = median(reported);
    std::printf("graph a set of 16000 samples:  %8.2f ms\n", graphMs);
    std::printf(
        "report of the same set:        %8.2f ms (PDF %.0f KB)\n", reportMs, double(size) / 1024.0);
    std::printf("ratio report / graph: %.2f (target <= 5)\n", reportMs / graphMs);
    return 0;
}
