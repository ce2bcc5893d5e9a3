#pragma once

#include "ChartModel.h"
#include "ChildWindow.h"
#include "GraphServices.h"
#include "SubWindowActivation.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolBar;
class QToolButton;

namespace tc4dl {

namespace chart {
class ChartView;
}

class GraphChannels;
class GraphCommands;
class GraphRole;
enum class GraphGlyph;

// One graph window: the plot of a ChartModel with its toolbar, the statistic strip above the
// plot, the per-channel MAX/MIN/AVG panel below it and, for the logger's graph, the list of
// data sets on the left. The same window serves the real-time graph, the logger graph and
// graphs of files and tables; its role (none for files and tables) makes the difference.
class TfrmGraph final : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    // The captions of the two roles' windows. A caption only names a window: what a window
    // does is its role's.
    static QString realTimeCaption() { return QStringLiteral("Real-Time Graph"); }
    static QString dataLoggerCaption() { return QStringLiteral("DataLogger"); }

    explicit TfrmGraph(GraphServices& services, QWidget* parent = nullptr);
    ~TfrmGraph() override;

    TfrmGraph(const TfrmGraph&) = delete;
    TfrmGraph& operator=(const TfrmGraph&) = delete;

    // Gives the window its role (which attaches to it); nullptr for a graph of a file.
    void setRole(GraphRole* role);
    [[nodiscard]] GraphRole* role() const { return m_role; }
    // The unit of the values on show, as the role knows it (nothing for a file's graph).
    [[nodiscard]] std::optional<bool> dataCelsius() const;
    [[nodiscard]] chart::ChartModel& model() { return m_model; }
    [[nodiscard]] const chart::ChartModel& model() const { return m_model; }
    [[nodiscard]] chart::ChartView* graph() const { return PESGraph1; }
    // The scale, annotation and display commands of the toolbar and the plot.
    [[nodiscard]] GraphCommands* commands() const { return m_commands; }
    // What moves, restores and closes: the MDI subwindow holding the graph, else the graph.
    [[nodiscard]] QWidget* frameWindow();

    // Rebuilds the picture from the model and repaints it.
    void redraw();

    // Annotations 0 to 3 are kept for the program's own markers (2 is the data point marker);
    // the texts and crosses the user adds, and those of "Show MAX/MIN", come after them. Each
    // window numbers its own, so that another window's Clear never hands out an index in use.
    static constexpr int kLastReservedAnnotation = 3;
    [[nodiscard]] int lastAnnotationIndex() const { return m_lastAnnotationIndex; }
    // Numbering goes on after `index` (a graph that already holds annotations up to it).
    void setLastAnnotationIndex(int index) { m_lastAnnotationIndex = index; }
    // The index for the next annotation added to this graph.
    [[nodiscard]] int nextAnnotationIndex() { return ++m_lastAnnotationIndex; }

    // The real-time role's own controls.
    void setClearVisible(bool visible); // tbntClr and its divider
    [[nodiscard]] bool clearVisible() const;
    void setClearEnabled(bool enabled);
    [[nodiscard]] bool clearEnabled() const;
    void setSamplingRateEnabled(bool enabled); // rateMinutesList, rateSecondsList
    // Shows `seconds` as minutes and seconds; 61 minutes or more leaves the minutes unselected.
    void setSamplingRate(int seconds);
    // The Cross and Text tools, which act on one shared axis only.
    void setAnnotationToolsEnabled(bool enabled);
    [[nodiscard]] bool annotationToolsEnabled() const;

    // Window events.
    void FormShow();
    void FormActivate();
    // The save question; false keeps the window (and, when the main window asks, the
    // program) open.
    bool FormCloseQuery();
    void FormClose();
    void dataSetGridClick();
    void statisticButtonClick();
    void lineCursorButtonClick();
    void pnlGraphResize();

    // Statistics and read-outs.
    void ComputeGraphStatistics();
    void PESGraph1MouseMove();
    void PESGraph1DataHotSpot(int subset, int point);

    // The per-channel boxes (channel 0..3), for the statistics and the recording.
    [[nodiscard]] QLineEdit* maxBox(int channel) const { return m_max.at(channel); }
    [[nodiscard]] QLineEdit* minBox(int channel) const { return m_min.at(channel); }
    [[nodiscard]] QLineEdit* avgBox(int channel) const { return m_avg.at(channel); }
    // Each channel's rate of change, beside its MAX, MIN and AVG.
    [[nodiscard]] QLineEdit* rateBox(int channel) const { return m_rate.at(channel); }
    // The switch for the rate curves on a second axis.
    [[nodiscard]] QCheckBox* rateCurvesSwitch() const { return chkRate; }
    // The channels' names and rates as this window shows them.
    [[nodiscard]] GraphChannels* channels() const { return m_channels; }
    [[nodiscard]] QLineEdit* startTimeBox() const { return txtStartTime; }
    [[nodiscard]] QLineEdit* dataNoBox() const { return txtDataNo; }
    [[nodiscard]] QComboBox* minutesList() const { return rateMinutesList; }
    [[nodiscard]] QComboBox* secondsList() const { return rateSecondsList; }
    [[nodiscard]] QLabel* readOut() const { return readOutLabel; }
    [[nodiscard]] QTableWidget* dataSetList() const { return dataSetGrid; }
    [[nodiscard]] QWidget* dataSetPanel() const { return pnlDataSets; }
    // Widens the data-set list's columns (never below their designed widths) to their texts.
    void fitDataSetColumns();
    [[nodiscard]] QWidget* statisticStrip() const { return pnlGraphStatistic; }
    [[nodiscard]] QWidget* lineCursorPanel() const { return pnlStatistic; }

    // ChildWindow
    [[nodiscard]] CloseRank closeRank() const override { return CloseRank::First; }
    [[nodiscard]] bool closeQuery() override { return FormCloseQuery(); }
    void save() override;
    void print() override;

Q_SIGNALS:
    // The close was accepted and the bookkeeping done; the window goes next.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void buildDataSetPanel();
    void buildToolBar();
    void buildStatisticStrip();
    void buildPlot();
    void buildLineCursorPanel();
    QToolButton* addToolButton(const char* name, GraphGlyph glyph, bool checkable);
    void setReadOut(const QString& text);
    // The data-set list as wide as its columns, but leaving the graph beside it room enough in
    // a narrow window.
    void fitDataSetPanel();

    // The commands act on the window's controls directly.
    friend class GraphCommands;

    GraphServices& m_services;
    GraphRole* m_role = nullptr;
    chart::ChartModel m_model;

    QWidget* pnlDataSets = nullptr;
    QTableWidget* dataSetGrid = nullptr;
    int m_dataSetWidth = 0; // what the list's columns need

    QToolBar* ToolBar1 = nullptr;
    QToolButton* statisticButton = nullptr;
    QToolButton* lineCursorButton = nullptr;
    QToolButton* pointerToolButton = nullptr;
    QToolButton* crossToolButton = nullptr;
    QToolButton* textToolButton = nullptr;
    QToolButton* colorButton = nullptr;
    QToolButton* tbntClr = nullptr;
    QAction* m_clearAction = nullptr;
    QAction* m_clearDivider = nullptr;
    QToolButton* UndoZoom = nullptr;
    QCheckBox* chkSplit = nullptr;
    QCheckBox* chkRate = nullptr;
    QPushButton* graphOptionButton = nullptr;
    QPushButton* btnChangeScale = nullptr;

    QWidget* pnlGraphStatistic = nullptr;
    QLineEdit* txtStartTime = nullptr;
    QComboBox* rateMinutesList = nullptr;
    QComboBox* rateSecondsList = nullptr;
    QLineEdit* txtDataNo = nullptr;
    QPushButton* showMaxMinButton = nullptr;

    QWidget* pnlGraph = nullptr;
    chart::ChartView* PESGraph1 = nullptr;
    QLabel* readOutLabel = nullptr;

    QWidget* pnlStatistic = nullptr;
    std::array<QLineEdit*, 4> m_max {};
    std::array<QLineEdit*, 4> m_min {};
    std::array<QLineEdit*, 4> m_avg {};
    std::array<QLineEdit*, 4> m_rate {};

    SubWindowActivation m_activation;
    GraphCommands* m_commands = nullptr;
    GraphChannels* m_channels = nullptr;
    int m_lastAnnotationIndex = kLastReservedAnnotation;
    bool m_closed = false;
    bool m_subWindowClosing = false; // the frame asked first
};

} // namespace tc4dl
