#pragma once

#include "ChildWindow.h"
#include "MessageTable.h"
#include "SubWindowActivation.h"
#include "TextTableModel.h"

#include <QWidget>

class QTableView;

namespace tc4dl {

class TfrmList;

// What a table window asks of the program around it: its commands act through the main
// window's file commands.
class ListHost {
public:
    virtual ~ListHost() = default;
    virtual void saveTable(TfrmList& list) = 0;
    virtual void printTable(TfrmList& list) = 0;
    virtual void outputToGraph(TfrmList& list) = 0;
    // The window became the active child: the table-to-graph command has a table to act on.
    virtual void tableActivated() = 0;
};

// A table window: the lines of one text file in a grid of seven columns (the row number, then
// Date, Time, T1 to T4), cells exactly as they stood in the file. Its caption is the file's
// path. It never changes once filled and asks nothing when it closes: it is only a view of a
// file on disk.
class TfrmList final : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    explicit TfrmList(ListHost& host, QWidget* parent = nullptr);

    [[nodiscard]] TextTableModel& table() { return *m_table; }
    [[nodiscard]] const TextTableModel& table() const { return *m_table; }
    [[nodiscard]] QTableView* grid() const { return tableGrid; }
    // What moves, restores and closes: the MDI subwindow holding the table, else the table.
    [[nodiscard]] QWidget* frameWindow();

    void FormShow();
    void FormActivate();

    // ChildWindow
    void save() override { m_host.saveTable(*this); }
    void print() override { m_host.printTable(*this); }
    [[nodiscard]] bool canOutputToGraph() const override { return true; }
    void outputToGraph() override { m_host.outputToGraph(*this); }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    ListHost& m_host;
    MessageTable m_messages;
    TextTableModel* m_table = nullptr;
    QTableView* tableGrid = nullptr;
    SubWindowActivation m_activation;
};

} // namespace tc4dl
