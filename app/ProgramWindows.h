#pragma once

// The windows come back through guarded pointers, which need the whole classes.
#include "TfrmGraph.h"
#include "TfrmSetup.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QMainWindow;

namespace tc4dl {

class ArchiveCommands;
class ClientArea;
class ControlPanelKeeper;
class DataLoggerWindow;
class FileCommands;
class LoadCommand;
class MainMenus;
class ProgramGraphServices;
class Prompter;
class RealTimeRecorder;
class TfrmPanel;
class Workspace;
struct MainWindowDeps;

// The child windows the program keeps one of, each made when first needed and again after it
// closed, with the commands that bring them up: the control panel, the real-time graph with
// its role, the logger's graph window and the load into it, the archive's graph window and the
// Archive window, and the set-up window. The data they show is the workspace's.
class ProgramWindows final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QMainWindow* main = nullptr;
        Workspace* workspace = nullptr;
        ProgramGraphServices* graphs = nullptr;
        ClientArea* area = nullptr;
        MainMenus* menus = nullptr;
        FileCommands* files = nullptr;
        const MainWindowDeps* deps = nullptr;
    };
    explicit ProgramWindows(Parts parts, QObject* parent = nullptr);
    ~ProgramWindows() override;

    // The first showing: the real-time graph, then the panel beside it.
    void createAtStart();

    [[nodiscard]] ControlPanelKeeper& panelKeeper() { return *m_panelKeeper; }
    [[nodiscard]] TfrmPanel* panel() const;
    [[nodiscard]] RealTimeRecorder& recorder() { return *m_recorder; }
    [[nodiscard]] TfrmGraph* realTimeGraph() const { return m_realTimeGraph; }
    [[nodiscard]] DataLoggerWindow& dataLogger() { return *m_dataLogger; }
    [[nodiscard]] DataLoggerWindow& archiveGraph() { return *m_archiveGraph; }
    [[nodiscard]] LoadCommand& loadCommand() { return *m_loadCommand; }
    [[nodiscard]] ArchiveCommands& archive() { return *m_archive; }
    [[nodiscard]] TfrmSetup* setupWindow() const { return m_setup; }
    [[nodiscard]] ProgramGraphServices& graphServices() { return *m_parts.graphs; }

    // View > Real Time Graph: restores the real-time graph window, or creates it again.
    void showRealTimeGraph();
    // Data Logger > Setup: restores the set-up window, or creates it.
    void showSetup();
    // The Open command's collection branch: a collection file into the logger's window.
    void openCollectionFile();

private:
    // The real-time graph window: created before the panel, placed beside it.
    void createRealTimeGraph();
    void placeRealTimeGraph();
    void makeDataSetWindows();
    // The size the logger's windows are placed by: the main window's client size.
    [[nodiscard]] QSize clientSize() const;

    Parts m_parts;
    Prompter& m_prompter;
    std::unique_ptr<ControlPanelKeeper> m_panelKeeper;
    std::unique_ptr<RealTimeRecorder> m_recorder;
    QPointer<TfrmGraph> m_realTimeGraph;
    DataLoggerWindow* m_dataLogger = nullptr;
    DataLoggerWindow* m_archiveGraph = nullptr;
    LoadCommand* m_loadCommand = nullptr;
    ArchiveCommands* m_archive = nullptr;
    QPointer<TfrmSetup> m_setup;
};

} // namespace tc4dl
