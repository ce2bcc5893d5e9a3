#pragma once

#include "ReportFlow.h"

#include <QObject>

#include <functional>
#include <optional>

class QWidget;

namespace tc4dl {

class ClientArea;
class DataLoggerWindow;
class GraphServices;
class LoggerData;
class RealTimeRecorder;
class TfrmGraph;
struct MainWindowDeps;
struct SaveDialogState;

namespace archive {
class ArchiveKeeper;
}

// File > Report…: a PDF record of what the active window holds. The logger window gives the
// set shown or all listed sets as one timeline, the Archive window its selected sets, the
// real-time graph its run once stopped, a graph window opened from a file its graph. The rest
// (the dialog, the save dialog, the file, the viewer) is ReportFlow's.
class ReportCommands final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        ClientArea* area = nullptr;
        LoggerData* data = nullptr;
        DataLoggerWindow* logger = nullptr;
        RealTimeRecorder* recorder = nullptr;
        std::function<TfrmGraph*()> realTimeGraph;
        archive::ArchiveKeeper* archive = nullptr;
        GraphServices* services = nullptr; // the channel settings and the unit they are in
        SaveDialogState* saveDialog = nullptr; // where the save dialog starts
        std::function<int()> meterModel; // of the meter connected now; 0: none
        std::function<bool()> celsius; // the program's unit, proposed for a graph file
        QWidget* dialogParent = nullptr;
    };
    ReportCommands(Parts parts, const MainWindowDeps& deps, QObject* parent = nullptr);

    // Reports the active child window, or says why it holds nothing to report.
    void report();

private:
    [[nodiscard]] std::optional<report::ReportRequest> requestFor(QWidget* window, QString* why);
    [[nodiscard]] report::ReportRequest fromLogger();
    [[nodiscard]] report::ReportRequest fromGraph(TfrmGraph& graph, bool realTime);
    [[nodiscard]] std::optional<report::ReportRequest> fromArchive(
        const std::vector<qint64>& ids, QString* why);
    void fillChannels(report::ReportRequest& request) const;

    Parts m_parts;
    const MainWindowDeps& m_deps;
};

} // namespace tc4dl
