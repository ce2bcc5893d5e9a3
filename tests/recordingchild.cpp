// A recording session that ends without closing: the program against the simulated meter,
// a run started through its dialog, a number of samples taken on the main tick, each printed
// as the graph holds it. Then it waits for its input to end, and the test kills it.
//
//   tst_recordingchild JOURNAL SAMPLES
// prints "sample T V1 V2 V3 V4" per sample, "synced N" (records the disk was asked to hold at
// the last sync) and "ready".

#include "JournalWriter.h"
#include "MainWindowFixture.h"
#include "TfrmGraph.h"
#include "TfrmSetupRealTime.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTextStream>

#include <iostream>
#include <string>

using namespace tc4dl;
using namespace tc4dl::testing;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const int wanted = QString::fromLocal8Bit(argv[2]).toInt();
    Fixture f({ QStringLiteral("SIMULATOR") }, {}, {}, QString::fromLocal8Bit(argv[1]));
    f.meters.try_emplace(QStringLiteral("SIMULATOR"));
    f.window->FormShow();
    f.clock.runDue();
    f.dialogs = [](QDialog& dialog) {
        auto* setup = qobject_cast<TfrmSetupRealTime*>(&dialog);
        if (!setup)
            return int(QDialog::Rejected);
        setup->samplesField()->setText(QStringLiteral("1000"));
        setup->minutesList()->setCurrentIndex(0);
        setup->secondsList()->setCurrentIndex(1);
        return int(QDialog::Accepted);
    };
    f.window->btnRunClick();
    QTextStream out(stdout);
    if (!f.window->workspace().recording().active()) {
        out << "not recording\n";
        return 1;
    }
    const chart::ChartModel& graph = f.window->windows().realTimeGraph()->model();
    int printed = 0;
    for (int ticks = 0; printed < wanted && ticks < 10 * wanted; ++ticks) {
        f.tick();
        for (; printed < f.window->workspace().recording().sampleCount(); ++printed) {
            out << "sample " << QString::number(graph.x(0, printed), 'g', 17);
            for (int s = 0; s < 4; ++s)
                out << ' ' << QString::number(double(graph.y(s, printed)), 'g', 17);
            out << '\n';
        }
    }
    out << "synced " << f.window->workspace().recording().journal()->syncedRecords() << '\n'
        << "ready" << Qt::endl;
    std::string line;
    std::getline(std::cin, line);
    return 0;
}
