#include "ReportRun.h"

#include "ChartModel.h"
#include "DataSetStore.h"
#include "MeterValues.h"
#include "Timeline.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cmath>

namespace tc4dl::report {

double ReportRun::partEnd(const RunPart& part) const
{
    return part.points > 0 ? time(part.firstPoint + part.points - 1) : part.start;
}

std::optional<ReportRun> runOfSets(const DataSetStore& store, const QByteArray& image,
    std::vector<int> sets, RunPart::Origin origin, const std::vector<qint64>& numbers)
{
    bool celsius = true;
    if (timelineUnit(store, sets, &celsius) != TimelineResult::Shown)
        return std::nullopt;
    TimelineData timeline = buildTimeline(store, std::move(sets));
    ReportRun run;
    run.celsius = celsius;
    run.nullValue = kNullValue;
    // The break points of the timeline are no samples: the parts leave them out.
    run.values.reserve(timeline.values.size());
    run.times.reserve(timeline.times.size());
    auto gap = timeline.gaps.begin();
    for (int p = 0; p < timeline.points; ++p) {
        if (gap != timeline.gaps.end() && *gap == p) {
            ++gap;
            continue;
        }
        const auto cell = static_cast<std::ptrdiff_t>(p) * kChannels;
        run.values.insert(run.values.end(), timeline.values.begin() + cell,
            timeline.values.begin() + cell + kChannels);
        run.times.insert(run.times.end(), timeline.times.begin() + cell,
            timeline.times.begin() + cell + kChannels);
    }
    int first = 0;
    for (const int k : timeline.sets) {
        RunPart p;
        p.origin = origin;
        p.number = static_cast<std::size_t>(k) < numbers.size()
            ? numbers[static_cast<std::size_t>(k)]
            : k + 1;
        p.firstPoint = first;
        p.points = store.sampleCount(k);
        p.start = store.startTime(k);
        p.intervalSeconds = store.interval(k);
        const qint64 from = store.startOffset(k);
        const qint64 to = store.endOffset(k);
        // The archive hashes a set's bytes from its start mark to its end mark.
        if (from >= 0 && to >= from && to < image.size())
            p.sha256 = QCryptographicHash::hash(
                QByteArrayView(image).sliced(from, to - from + 1), QCryptographicHash::Sha256);
        run.parts.push_back(p);
        first += p.points;
    }
    return run;
}

ReportRun runOfGraph(const chart::ChartModel& graph, std::optional<bool> celsius)
{
    ReportRun run;
    run.celsius = celsius;
    run.nullValue = graph.nullY();
    const int points = graph.filledPoints();
    run.values.reserve(static_cast<std::size_t>(points) * kChannels);
    run.times.reserve(static_cast<std::size_t>(points) * kChannels);
    for (int p = 0; p < points; ++p) {
        // One time per point, as the graph's first channel has it: every channel of a
        // recording's point was taken at once. A point without a time (a damaged file) stands
        // nowhere on the time axis and is left out.
        const double t = graph.x(0, p);
        if (!std::isfinite(t))
            continue;
        for (int s = 0; s < kChannels; ++s) {
            run.values.push_back(graph.y(s, p));
            run.times.push_back(t);
        }
    }
    RunPart part;
    part.origin = RunPart::Origin::Graph;
    part.points = run.points();
    part.start = part.points > 0 ? run.time(0) : 0.0;
    if (part.points >= 2) {
        // Whole seconds, as the graph's strip shows the rate: the ticks of a recording wander
        // by milliseconds.
        const double seconds
            = (run.time(part.points - 1) - part.start) / (part.points - 1) * kSecondsPerDay;
        part.intervalSeconds = std::isfinite(seconds) ? std::max(0.0, std::round(seconds)) : 0.0;
    }
    run.parts.push_back(part);
    for (int i = 0; i < graph.annotationCount(); ++i) {
        const chart::GraphAnnotation note = graph.annotation(i);
        QString text = note.text;
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        text = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QStringLiteral("; "));
        if (!text.trimmed().isEmpty())
            run.notes.push_back({ note.x, text.trimmed() });
    }
    std::stable_sort(run.notes.begin(), run.notes.end(),
        [](const RunNote& a, const RunNote& b) { return a.serial < b.serial; });
    return run;
}

} // namespace tc4dl::report
