#pragma once

#include "SimulatedMeter.h"

#include <QList>
#include <QString>

#include <optional>

class QCommandLineParser;

namespace tc4dl {

// Everything a simulated meter can be told from a command line: the meter with its logger
// memory and faults, the pace of its line and the channels that start open.
struct SimulatorSettings {
    MeterOptions meter;
    bool paced = true;
    int split = 0; // reply parts of this many bytes; 0: whole
    QList<int> openChannels; // from 0
    bool recording = false; // REC on from the start

    // A meter set up this way, its clock showing `now` at tick `nowMs` unless the options set
    // the clock.
    [[nodiscard]] SimulatedMeter makeMeter(const QDateTime& now, qint64 nowMs) const;
};

// The simulator's command-line options, shared by tc4dl-meter and by the programs whose demo
// mode runs the simulated meter in-process, so that both are set up the same way.
class SimulatorCommandLine {
public:
    static void addOptions(QCommandLineParser& parser);
    // The settings the parsed options give; none, with one sentence in `error`, when an option
    // is wrong (or a memory file cannot be read).
    [[nodiscard]] static std::optional<SimulatorSettings> read(
        const QCommandLineParser& parser, QString* error);
};

} // namespace tc4dl
