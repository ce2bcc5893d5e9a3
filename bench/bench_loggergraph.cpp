// Switching the logger window between data sets: graphing a set of 16,000 samples (the chart
// set up anew, the two whole-array writes, the statistics, the strip, one redraw) against a set
// of 100 samples, in a logger window of 1600 x 1000. Then a one-month timeline of 100,000
// samples (30 daily sets, a break between each) against one set of as many samples. Last, a
// year at one sample a minute from the archive (33 sets of 16,000 samples read, decoded and drawn
// as one timeline) against one of those sets from the archive. Runs offscreen.

#include "../tests/LoggerImages.h"
#include "Archive.h"
#include "LoggerWindowServices.h"

#include "ChartQcp.h"
#include "ChartView.h"
#include "DataLoggerWindow.h"
#include "DataSetStore.h"
#include "DateTimeSerial.h"
#include "DecodeMemoryImage.h"
#include "GraphConfig.h"
#include "LoggerTimeline.h"
#include "TfrmGraph.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

using namespace tc4dl;

namespace {

using Services = bench::LoggerWindowServices;

// `sets` sets of `perSet` samples, one a day from 1 November 2026 (serial 46327), 20 s apart.
DataSetStore syntheticStore(int sets, int perSet)
{
    DataSetStore::PerSet per;
    std::vector<float> values;
    std::vector<double> times;
    for (int k = 0; k < sets; ++k) {
        const double start = 46327.0 + k;
        per.startTimes.push_back(start);
        per.intervals.push_back(20);
        per.sampleCounts.push_back(perSet);
        per.unitFlags.push_back(1);
        per.startOffsets.push_back(0);
        per.endOffsets.push_back(0);
        for (int j = 0; j < perSet; ++j)
            for (int ch = 0; ch < 4; ++ch) {
                times.push_back(start + j * 20.0 / kSecondsPerDay);
                values.push_back(static_cast<float>(20.0 + ch + (j % 600) / 60.0));
            }
    }
    DataSetStore store;
    if (!store.replaceAll(std::move(per), std::move(values), std::move(times)))
        std::fprintf(stderr, "the synthetic store does not fit together\n");
    return store;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Services services;
    if (!writeDefaultTemplate(QDir(services.folder.path()).filePath(graphTemplateRelativePath()))) {
        std::fprintf(stderr, "cannot write the graph template\n");
        return 1;
    }
    // Set 0: 100 samples, set 1: 16,000 samples.
    const QByteArray bytes = loggerimages::image(
        { loggerimages::setWithSamples(100, 1), loggerimages::setWithSamples(16000, 2) });
    DataSetStore store;
    const MemoryImage image(bytes, bytes.size() - 1);
    if (decodeMemoryImage(image, services.manualClock.now(), store).result != LoadResult::Success) {
        std::fprintf(stderr, "the image does not decode\n");
        return 1;
    }

    TfrmGraph window(services);
    window.setWindowTitle(TfrmGraph::dataLoggerCaption());
    window.dataSetPanel()->show();
    window.resize(1600, 1000);
    window.show();
    FillDataSetList(window, store);
    QImage target(window.graph()->size(), QImage::Format_ARGB32_Premultiplied);

    // Alternating, as a person clicks through the list; the first rounds warm the caches.
    constexpr int kRounds = 31;
    std::vector<double> small;
    std::vector<double> large;
    for (int i = 0; i < kRounds + 2; ++i) {
        for (const int k : { 0, 1 }) {
            QElapsedTimer timer;
            timer.start();
            GraphDataSet(window, services, store, k);
            window.graph()->plot()->render(&target);
            const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            if (i >= 2)
                (k == 0 ? small : large).push_back(ms);
        }
    }
    const double smallMs = median(small);
    const double largeMs = median(large);
    std::printf("graph a data set of   100 samples: %8.2f ms\n", smallMs);
    std::printf("graph a data set of 16000 samples: %8.2f ms\n", largeMs);
    std::printf("ratio 16000 / 100: %.2f (target <= 3)\n", largeMs / smallMs);

    // One month as one timeline against one set of the same 100,000 samples.
    const DataSetStore oneSet = syntheticStore(1, 100000);
    const DataSetStore month = syntheticStore(30, 100000 / 30 + 1);
    std::vector<int> all(30);
    for (int k = 0; k < 30; ++k)
        all[static_cast<std::size_t>(k)] = k;
    std::vector<double> single;
    std::vector<double> timeline;
    for (int i = 0; i < 11 + 2; ++i) {
        for (const bool asTimeline : { false, true }) {
            QElapsedTimer timer;
            timer.start();
            if (asTimeline)
                (void)GraphTimeline(window, services, month, all);
            else
                GraphDataSet(window, services, oneSet, 0);
            window.graph()->plot()->render(&target);
            const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            if (i >= 2)
                (asTimeline ? timeline : single).push_back(ms);
        }
    }
    const double singleMs = median(single);
    const double timelineMs = median(timeline);
    std::printf("graph one set of 100000 samples:      %8.2f ms\n", singleMs);
    std::printf("graph a month of 30 sets as timeline: %8.2f ms\n", timelineMs);
    std::printf("ratio timeline / one set: %.2f (target <= 2)\n", timelineMs / singleMs);

    // A year from the archive to the first drawn frame: its sets read as stored, decoded and
    // graphed, as the archive window's Timeline does.
    QTemporaryDir dir;
    const archive::Archive::Opened opened
        = archive::Archive::open(dir.filePath(QStringLiteral("year.sqlite")), services.manualClock);
    if (!opened.archive) {
        std::fprintf(stderr, "cannot open the archive\n");
        return 1;
    }
    const QDateTime first(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    for (int k = 0; k < 33; ++k) {
        const QDateTime start = first.addSecs(qint64(k) * 16100 * 60);
        const QByteArray set = loggerimages::image(
            { loggerimages::setRecordedAt(start.date(), start.time(), 60, 16000) });
        const MemoryImage one(set, set.size() - 1);
        DataSetStore decoded;
        (void)decodeMemoryImage(one, services.manualClock.now(), decoded);
        if (!opened.archive->add(decoded, one, QStringLiteral("bench")).ok) {
            std::fprintf(stderr, "cannot add to the archive\n");
            return 1;
        }
    }
    std::vector<qint64> ids;
    for (const archive::ArchivedSet& set : opened.archive->list())
        ids.push_back(set.id);
    std::vector<double> oneFromArchive;
    std::vector<double> year;
    for (int i = 0; i < 5 + 1; ++i) {
        for (const bool asTimeline : { false, true }) {
            QElapsedTimer timer;
            timer.start();
            const std::optional<MemoryImage> read
                = opened.archive->image(asTimeline ? ids : std::vector<qint64> { ids.front() });
            DataSetStore decoded;
            if (!read
                || decodeMemoryImage(*read, services.manualClock.now(), decoded).result
                    != LoadResult::Success) {
                std::fprintf(stderr, "the archive's sets do not decode\n");
                return 1;
            }
            std::vector<int> each(static_cast<std::size_t>(decoded.setCount()));
            std::iota(each.begin(), each.end(), 0);
            if (asTimeline)
                (void)GraphTimeline(window, services, decoded, each);
            else
                GraphDataSet(window, services, decoded, 0);
            window.graph()->plot()->render(&target);
            const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            if (i >= 1)
                (asTimeline ? year : oneFromArchive).push_back(ms);
        }
    }
    const double oneMs = median(oneFromArchive);
    const double yearMs = median(year);
    std::printf("one set of 16000 samples from the archive:        %8.2f ms\n", oneMs);
    std::printf(
        "a year, 33 sets of 16000, from the archive:       %8.2f ms (target <= 500)\n", yearMs);
    std::printf("ratio year / one set from the archive: %.2f (target <= 15)\n", yearMs / oneMs);
    return 0;
}
