#pragma once

#include "LiveRun.h"

#include <QString>

#include <array>
#include <optional>

namespace tc4dl {

class ArchiveKeeper;
class Clock;

// The program's real-time runs into the archive, as the unattended recorder keeps its own: a
// run of kind "live" under the meter's device name, stored in the logger set's layout (so the
// Archive window, its timeline, an export and a report take it like a downloaded set), stored
// again every minute while it records and once more when it stops. A run whose samples leave
// the grid of its rate (it pauses while the link is lost and goes on when the frames return),
// or that fills a set, goes on in a new stored part, so that every stored sample stands at the
// time it was taken. Nothing is stored while the archive's adds are off; a failure is the
// keeper's to report.
class RunArchive {
public:
    static constexpr qint64 kCommitEveryMs = 60000;

    RunArchive(Clock& clock, ArchiveKeeper& keeper);

    // A run begins: samples every `rateSeconds`, in one unit, on `device`. Its stored parts
    // begin at their first samples.
    void begin(int rateSeconds, bool celsius, const QString& device);
    // A sample of the run, with the frame's no-value marks (bit n: channel n had no reading).
    void take(double serial, const std::array<float, 4>& values, quint8 noValueMarks);
    // The run ends (stopped, interrupted or its window gone): what it holds is stored.
    void finish();

    // The name the runs are stored under: the device's own name ("ttyUSB0", "COM3").
    [[nodiscard]] static QString meterName(const QString& device);

private:
    void store();

    Clock& m_clock;
    ArchiveKeeper& m_keeper;
    bool m_running = false;
    std::optional<recorder::LiveRun> m_part; // none until the run's first sample
    QString m_meter;
    int m_rate = 1;
    bool m_celsius = true;
    bool m_stored = true; // the part holds no sample the archive lacks
    qint64 m_storedAtMs = 0;
};

} // namespace tc4dl
