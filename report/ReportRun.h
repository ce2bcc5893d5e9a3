#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace tc4dl {

class DataSetStore;

namespace chart {
class ChartModel;
}

namespace report {

inline constexpr int kChannels = 4;

// One stretch of a run recorded without a break: a data set, or a whole graph.
struct RunPart {
    enum class Origin { FileSet, ArchiveSet, Graph };
    Origin origin = Origin::FileSet;
    qint64 number = 0; // the set's number in its file (from 1), or its archive id
    int firstPoint = 0; // into the run's points
    int points = 0;
    double start = 0.0; // date-time serial in the meter's clock
    double intervalSeconds = 0.0;
    QByteArray sha256; // the 32-byte digest of the part's bytes; empty when not known
    QString firstSource; // an archived set: where it first came from
};

// A note written on the graph (an annotation): where a cook or a technician writes what was
// done. `text` has its lines joined by "; ".
struct RunNote {
    double serial = 0.0;
    QString text;
};

// Where a run came from, as the report names it.
struct RunSource {
    enum class Kind { None, Download, File, GraphFile, Archive, RealTime };
    Kind kind = Kind::None;
    QString detail; // the port, the file's name, the archive's path
};

// What a report is made of: the samples of one run or of several as one timeline, point-major
// (T1..T4 of point 0, then of point 1, …) with their times beside them, as the data set store
// and the graph model hold them, and where they came from. The values are the meter's own;
// nothing here converts or rounds them.
struct ReportRun {
    std::vector<float> values; // kChannels per point
    std::vector<double> times; // kChannels per point, each point's time four times
    std::vector<RunPart> parts; // in time order; between two of them the run has a break
    std::vector<RunNote> notes; // in time order
    std::optional<bool> celsius; // nothing: the source does not record its unit
    float nullValue = 9999.0f; // a cell without a reading
    QString meterModel; // "740" or "735"; empty when not recorded
    RunSource source;

    [[nodiscard]] int points() const { return static_cast<int>(values.size() / kChannels); }
    [[nodiscard]] double time(int point) const
    {
        return times[static_cast<std::size_t>(point) * kChannels];
    }
    [[nodiscard]] float value(int point, int channel) const
    {
        return values[static_cast<std::size_t>(point) * kChannels
            + static_cast<std::size_t>(channel)];
    }
    // The time of a part's last sample.
    [[nodiscard]] double partEnd(const RunPart& part) const;
};

// The sets `sets` of `store` (indexes, any order) as one run in the order of their starts, each
// set one part with the SHA-256 of its bytes in `image` (the archive's hash of the same set);
// `numbers` gives each set's number or archive id by index (empty: index + 1). Nothing when
// there is no set or the sets mix °C and °F (the values are never converted).
[[nodiscard]] std::optional<ReportRun> runOfSets(const DataSetStore& store, const QByteArray& image,
    std::vector<int> sets, RunPart::Origin origin, const std::vector<qint64>& numbers = {});

// A graph (a real-time recording, a graph file) as one run of one part: its first four channels
// up to the first point never filled and its annotations as notes. `celsius` is the graph's
// unit where its source knows it; the part's SHA-256 is the caller's (the file's bytes, or
// graphFileSha256 of a graph not saved).
[[nodiscard]] ReportRun runOfGraph(const chart::ChartModel& graph, std::optional<bool> celsius);

} // namespace report
} // namespace tc4dl
