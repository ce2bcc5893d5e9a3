#pragma once

#include "MainWindowDeps.h"
#include "MessageTable.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QMenu;
class QPrinter;

namespace tc4dl {

class ChannelAlarms;
class LivePageCommands;
class ClientArea;
class FileCommands;
class MainControls;
class MainMenus;
class PortList;
class PrintCommands;
class ProgramGraphServices;
class ProgramWindows;
class ReportCommands;
class StatusLine;
class Workspace;

// The main window: menus, toolbar, status bar and the multiple-document area. What the program
// knows is its workspace's; the child windows it keeps one of are its windows'; its handlers
// hand each command to whoever carries it out.
class TfrmMain final : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(MainWindowDeps deps, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The first showing: the real-time graph, the control panel, the identification scan,
    // MainTimer on.
    void FormShow();

    // Handlers of the timers, menus and toolbar (public so that tests can drive them).
    void MainTimerTimer();
    void MaxMinTimerTimer();
    void RECTimerTimer();
    void ControlPanel1Click();
    void Exit1Click();
    void About1Click();
    void Contents1Click();
    void Tile1Click();
    void Cascade1Click();
    void ComboBoxDeviceNameChange();
    void btnRunClick();
    void btnStopClick();
    // View > Real Time Graph: restores the real-time graph window, or creates it again.
    void RealTimeGraph1Click();
    // File > Save and the toolbar's save button: the active child window saves itself.
    void Save1Click();
    // The Open command's single-file branch: a graph file or a text file in a new window.
    void openSingleFile();
    // "Output Tabular to graph": the active table window as a new graph.
    void btnOutputToGraphClick();
    // Data Logger > Load and the Data Logger button: downloads the logger memory.
    void LoadData1Click();
    // File > Open and the toolbar's open button: a collection of data sets or a single file.
    void Open1Click();
    void OpenCollectionFile();
    // Data Logger > Setup: restores the set-up window, or creates it.
    void Setup1Click();
    // File > Print and the toolbar's print button: prints the active child window.
    void Print1Click();
    // File > Printer Setup: the printer and page that every later printout uses.
    void PrinterSetup1Click();

    // What the program knows, and the windows it keeps.
    [[nodiscard]] Workspace& workspace() { return *m_workspace; }
    [[nodiscard]] ProgramWindows& windows() { return *m_windows; }
    [[nodiscard]] FileCommands& fileCommands() { return *m_files; }
    [[nodiscard]] ChannelAlarms& alarms() { return *m_alarms; }
    [[nodiscard]] LivePageCommands& livePage() { return *m_livePage; }
    [[nodiscard]] QAction* action(const QString& name) const;
    [[nodiscard]] QMenu* menu(const QString& name) const;
    [[nodiscard]] PortList* portList() const { return m_portList; }
    [[nodiscard]] StatusLine& status() { return *m_status; }
    [[nodiscard]] ClientArea* mdiArea() const { return m_mdi; }
    // The program's current printer, chosen in the printer set-up or the last print dialog.
    [[nodiscard]] QPrinter& printer();
    [[nodiscard]] const MessageTable& messages() const { return m_messages; }

Q_SIGNALS:
    // "E&xit": the program ends at once, without close questions and without the Settings.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void FormCreate();
    void connectActions();
    void FormClose();

    MainWindowDeps m_deps;
    MessageTable m_messages;
    std::unique_ptr<Workspace> m_workspace;
    ClientArea* m_mdi = nullptr;
    std::unique_ptr<MainMenus> m_menus;
    PortList* m_portList = nullptr;
    std::unique_ptr<StatusLine> m_status;
    std::unique_ptr<ProgramGraphServices> m_graphs;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<PrintCommands> m_print;
    std::unique_ptr<ProgramWindows> m_windows;
    std::unique_ptr<MainControls> m_controls;
    std::unique_ptr<ChannelAlarms> m_alarms;
    std::unique_ptr<LivePageCommands> m_livePage;
    ReportCommands* m_reports = nullptr;
    bool m_shown = false;
};

} // namespace tc4dl
