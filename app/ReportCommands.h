#pragma once

#include "OpenData.h"
#include "ReportFlow.h"

#include <QObject>

#include <optional>
#include <vector>

class QWidget;

namespace tc4dl {

class ClientArea;
class DataLoggerWindow;
class GraphServices;
class ProgramWindows;
class TfrmGraph;
class Workspace;
struct MainWindowDeps;
struct SaveDialogState;

// File > Report…: a PDF record of what the active window holds. The logger's window and the
// archive's sets on view give the set shown or all listed sets as one timeline, the Archive
// window its selected sets, the real-time graph its run once stopped, a graph window opened
// from a file its graph. The rest (the dialog, the save dialog, the file, the viewer) is
// makeReport's.
class ReportCommands final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        ClientArea* area = nullptr;
        Workspace* workspace = nullptr;
        ProgramWindows* windows = nullptr;
        GraphServices* services = nullptr; // the channel settings and the unit they are in
        SaveDialogState* saveDialog = nullptr; // where the save dialog starts
        QWidget* dialogParent = nullptr;
    };
    ReportCommands(Parts parts, const MainWindowDeps& deps, QObject* parent = nullptr);

    // Reports the active child window, or says why it holds nothing to report.
    void report();

private:
    [[nodiscard]] std::optional<report::ReportRequest> requestFor(QWidget* window, QString* why);
    [[nodiscard]] report::ReportRequest fromSets(DataLoggerWindow& window, OpenData::Piece piece);
    [[nodiscard]] report::ReportRequest fromGraph(TfrmGraph& graph, bool realTime);
    [[nodiscard]] std::optional<report::ReportRequest> fromArchive(
        const std::vector<qint64>& ids, QString* why);
    void fillChannels(report::ReportRequest& request) const;

    Parts m_parts;
    const MainWindowDeps& m_deps;
};

} // namespace tc4dl
