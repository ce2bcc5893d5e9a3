#include "GraphCommands.h"

#include "ChartView.h"
#include "GraphConfig.h"
#include "GraphRole.h"
#include "GraphServices.h"
#include "GraphShared.h"
#include "GraphStateFile.h"
#include "MessageIds.h"
#include "MessageTable.h"
#include "MessageText.h"
#include "Prompter.h"
#include "TfrmAnnoEdit.h"
#include "TfrmGraph.h"
#include "TfrmSetupScale.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

namespace tc4dl {

namespace {

// `value` rounded to single precision. Going through a volatile float keeps the rounding: GCC
// 12 at -O2 drops it when two such conversions sit side by side (its SLP vectorizer turns the
// pair of double-to-float-to-double conversions into plain copies).
double toSingle(double value)
{
    const volatile float single = static_cast<float>(value);
    return single;
}
} // namespace

GraphCommands::GraphCommands(TfrmGraph& window, GraphServices& services)
    : QObject(&window),
      m_window(window),
      m_services(services),
      m_colorAtCreation(services.graphShared().annoColor)
{
    wire();
}

void GraphCommands::wire()
{
    auto onClick = [this](QAbstractButton* button, void (GraphCommands::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, handler);
    };
    onClick(m_window.btnChangeScale, &GraphCommands::btnChangeScaleClick);
    onClick(m_window.graphOptionButton, &GraphCommands::graphOptionButtonClick);
    onClick(m_window.showMaxMinButton, &GraphCommands::showMaxMinButtonClick);
    onClick(m_window.chkSplit, &GraphCommands::chkSplitClick);
    onClick(m_window.UndoZoom, &GraphCommands::UndoZoomClick);
    onClick(m_window.pointerToolButton, &GraphCommands::pointerToolButtonClick);
    onClick(m_window.crossToolButton, &GraphCommands::crossToolButtonClick);
    onClick(m_window.textToolButton, &GraphCommands::textToolButtonClick);
    onClick(m_window.colorButton, &GraphCommands::colorButtonClick);
    onClick(m_window.tbntClr, &GraphCommands::tbntClrClick);

    chart::ChartView* view = m_window.graph();
    connect(
        view, &chart::ChartView::customizeFinished, this, &GraphCommands::PESGraph1CustomizeDlg);
    connect(view, &chart::ChartView::zoomedIn, this, &GraphCommands::PESGraph1ZoomIn);
    connect(view, &chart::ChartView::clicked, this, [this](QPoint) { PESGraph1Click(); });
    connect(view, &chart::ChartView::annotationHotSpot, this,
        &GraphCommands::PESGraph1GraphAnnotHotSpot);
    connect(view, &chart::ChartView::graphHotSpot, this, &GraphCommands::PESGraph1GraphHotSpot);
    for (QComboBox* list : { m_window.minutesList(), m_window.secondsList() })
        connect(list, &QComboBox::activated, this, [this] { rateListChange(); });
}

QString GraphCommands::text(const char* id) const
{
    return MessageTable::forWindow(QStringLiteral("TfrmGraph")).getTextOrDefault(QLatin1String(id));
}

void GraphCommands::saveTemplate()
{
    // The template folder need not be there yet (always so in the user's data folder).
    const QString path = graphTemplateWritePath(m_services.graphFolders());
    QString error;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        error = QStringLiteral("Cannot create the folder of \"%1\".").arg(path);
    else if (chart::saveGraphState(m_window.model(), path, &error))
        return;
    m_services.prompter().tell(error);
}

void GraphCommands::btnChangeScaleClick()
{
    chart::ChartModel& model = m_window.model();
    TfrmSetupScale::Ranges ranges;
    for (int i = 0; i < 4; ++i) {
        const chart::Scale s = model.yScale(i);
        ranges[i] = { static_cast<int>(std::trunc(s.min)), static_cast<int>(std::trunc(s.max)) };
    }
    TfrmSetupScale dialog(&m_window);
    dialog.setRanges(ranges);
    dialog.centreOnScreen();
    if (m_services.prompter().runDialog(dialog) != QDialog::Accepted)
        return;
    QString bad;
    const std::optional<TfrmSetupScale::Ranges> read = dialog.readRanges(&bad);
    if (!read) {
        m_services.prompter().tell(joinedText(bad, text(graphmsg::kIsInvalid)));
        return;
    }
    // Only the ranges change: whether an axis scales by hand stays as it was.
    for (int i = 0; i < 4; ++i) {
        model.setWorkingAxis(i);
        chart::Scale s = model.yScale(i);
        s.min = (*read)[i].min;
        s.max = (*read)[i].max;
        model.setYScale(s);
    }
    model.setWorkingAxis(0);
    m_window.redraw();
    if (dialog.saveSetting())
        saveTemplate();
}

void GraphCommands::showMaxMinButtonClick()
{
    static constexpr const char* kMaxIds[4]
        = { graphmsg::kT1Max, graphmsg::kT2Max, graphmsg::kT3Max, graphmsg::kT4Max };
    const chart::ChartView* view = m_window.graph();
    const QRect plot = view->wholePlotRect();
    const int x = plot.left() + 80;
    for (int k = 1; k <= 4; ++k) {
        const QPointF at = view->pixelToGraph(QPoint(x, plot.top() + 20 * k), 0);
        chart::GraphAnnotation note;
        note.type = chart::kAnnotationText;
        note.x = at.x();
        note.y = at.y();
        note.color = m_services.graphShared().annoColor;
        note.text = text(kMaxIds[k - 1]) + m_window.maxBox(k - 1)->text() + text(graphmsg::kMin)
            + m_window.minBox(k - 1)->text() + text(graphmsg::kAverage)
            + m_window.avgBox(k - 1)->text();
        m_window.model().setAnnotation(m_window.nextAnnotationIndex(), note);
    }
    m_window.redraw();
}

void GraphCommands::graphOptionButtonClick()
{
    chart::ChartModel& model = m_window.model();
    const chart::Scale x = model.look.xScale;
    const int channels = model.subsets();
    QList<chart::Scale> before;
    for (int i = 0; i < channels; ++i)
        before.append(model.yScale(i));
    m_window.graph()->customize();
    // Cancelled: nothing was asked to change.
    if (m_window.graph()->dialogResult() != 1)
        return;
    model.look.xScale = { chart::ScaleControl::ManualMinAndMax, x.min, x.max };
    model.touchLook();
    // Each channel axis stays at its own range, now held by hand, unless the dialog changed
    // it: the ranges set per channel in the Y axis dialog are the user's work too.
    for (int i = 0; i < channels; ++i) {
        model.setWorkingAxis(i);
        const chart::Scale y = before.at(i);
        if (model.yScale(i) == y)
            model.setYScale(
                { chart::ScaleControl::ManualMinAndMax, toSingle(y.min), toSingle(y.max) });
    }
    model.setWorkingAxis(0);
    m_window.graph()->undoZoom();
    m_window.UndoZoom->setEnabled(false);
    m_window.redraw();
}

void GraphCommands::PESGraph1CustomizeDlg()
{
    if (m_window.graph()->dialogResult() != 1)
        return;
    if (m_services.prompter().ask(text(graphmsg::kSaveChangesQuestion), Prompter::Buttons::YesNo,
            Prompter::Icon::Question)
        == Prompter::Answer::Yes)
        saveTemplate();
}

void GraphCommands::chkSplitClick()
{
    chart::ChartModel& model = m_window.model();
    if (m_window.chkSplit->isChecked()) {
        for (int k = 0; k < 4; ++k) {
            model.setMultiAxesSubsets(k, 1);
            model.setMultiAxesProportions(k, 0.25);
        }
        m_window.setAnnotationToolsEnabled(false);
        m_window.graph()->setArrowCursor(1);
        // The tool buttons keep their state; the tool itself is back to Normal.
        m_services.graphShared().annotationTool = AnnotationTool::Normal;
    } else {
        model.setMultiAxesSubsets(-1, 0);
        model.setMultiAxesProportions(0, 1.0);
        m_window.setAnnotationToolsEnabled(true);
    }
    m_window.redraw();
    m_window.graph()->reinitAndReset();
}

void GraphCommands::PESGraph1ZoomIn()
{
    m_window.UndoZoom->setEnabled(true);
}

void GraphCommands::UndoZoomClick()
{
    m_window.graph()->undoZoom();
    m_window.graph()->resetImage();
    m_window.UndoZoom->setEnabled(false);
}

void GraphCommands::pointerToolButtonClick()
{
    m_window.graph()->setArrowCursor(1);
    m_services.graphShared().annotationTool = AnnotationTool::Normal;
}

void GraphCommands::crossToolButtonClick()
{
    m_window.graph()->setArrowCursor(kCrossCursor);
    m_services.graphShared().annotationTool = AnnotationTool::Cross;
}

void GraphCommands::textToolButtonClick()
{
    m_window.graph()->setArrowCursor(2);
    m_services.graphShared().annotationTool = AnnotationTool::Text;
}

void GraphCommands::PESGraph1Click()
{
    GraphShared& shared = m_services.graphShared();
    const AnnotationTool tool = shared.annotationTool;
    if (tool == AnnotationTool::Normal)
        return;
    chart::ChartView* view = m_window.graph();
    QPoint at = view->lastMousePosition();
    // The annotation's anchor sits where the pointer's picture shows it. The cross pointer's
    // hot spot is the centre of its cross, so a cross goes exactly where the pointer aims; a
    // text starts just right of and below the I-beam's hot spot in its middle.
    if (tool == AnnotationTool::Text)
        at += QPoint(1, 7);
    const QRect plot = view->plotRect();
    if (at.x() < plot.left() || at.x() > plot.right() || at.y() < plot.top()
        || at.y() > plot.bottom())
        return;
    const QPointF g = view->pixelToGraph(at, 0);
    chart::GraphAnnotation a;
    a.x = g.x();
    a.y = g.y();
    a.color = shared.annoColor;
    if (tool == AnnotationTool::Text) {
        TfrmAnnoEdit dialog(&m_window);
        if (m_services.prompter().runDialog(dialog) == QDialog::Accepted) {
            a.type = chart::kAnnotationText;
            a.text = dialog.text();
            m_window.model().setAnnotation(m_window.nextAnnotationIndex(), a);
        }
    } else {
        a.type = chart::kAnnotationCross;
        m_window.model().setAnnotation(m_window.nextAnnotationIndex(), a);
    }
    m_window.redraw();
}

void GraphCommands::PESGraph1GraphAnnotHotSpot(int index, bool doubleClick)
{
    if (!doubleClick)
        return;
    chart::GraphAnnotation a = m_window.model().annotation(index);
    a.type = chart::kAnnotationText;
    a.text.clear();
    m_window.model().setAnnotation(index, a);
    m_window.redraw();
}

void GraphCommands::PESGraph1GraphHotSpot()
{
    m_window.graph()->setToolTip(text(graphmsg::kDoubleClickToDelete));
}

void GraphCommands::colorButtonClick()
{
    const std::optional<chart::Color> chosen = m_services.prompter().chooseColor(m_colorAtCreation);
    if (!chosen)
        return;
    GraphShared& shared = m_services.graphShared();
    chart::ChartModel& model = m_window.model();
    const int last = m_window.lastAnnotationIndex();
    for (int i = 0; i <= last && i < model.annotationCount(); ++i) {
        chart::GraphAnnotation a = model.annotation(i);
        a.color = *chosen;
        model.setAnnotation(i, a);
    }
    shared.annoColor = *chosen;
    m_window.redraw();
}

void GraphCommands::tbntClrClick()
{
    // A Yes whose save did not happen keeps the graph: nothing is cleared that was to be kept.
    if (m_services.prompter().ask(text(graphmsg::kSaveRealTimeQuestion), Prompter::Buttons::YesNo,
            Prompter::Icon::Question)
            == Prompter::Answer::Yes
        && !m_services.saveGraph(m_window))
        return;
    m_window.graph()->undoZoom();
    m_window.UndoZoom->setEnabled(false);
    ClearGraph();
}

void GraphCommands::ClearGraph()
{
    chart::ChartModel& model = m_window.model();
    for (int s = 0; s < model.subsets(); ++s) {
        model.setX(s, -1, 0.0);
        model.setY(s, -1, static_cast<double>(model.nullY()));
    }
    m_window.dataNoBox()->clear();
    for (int ch = 0; ch < 4; ++ch) {
        m_window.maxBox(ch)->clear();
        m_window.minBox(ch)->clear();
        m_window.avgBox(ch)->clear();
    }
    if (GraphRole* role = m_window.role())
        role->cleared();
    // The user's annotations go out of every plotted time range; this graph's numbering starts
    // again (other graph windows keep theirs).
    const int last = m_window.lastAnnotationIndex();
    for (int i = TfrmGraph::kLastReservedAnnotation; i <= last && i < model.annotationCount();
         ++i) {
        chart::GraphAnnotation a = model.annotation(i);
        a.x = 0.0;
        a.y = 0.0;
        model.setAnnotation(i, a);
    }
    m_window.setLastAnnotationIndex(TfrmGraph::kLastReservedAnnotation);
    m_window.redraw();
}

void GraphCommands::rateListChange()
{
    if (m_settingRate)
        return;
    const int rate = qMax(0, m_window.minutesList()->currentIndex()) * 60
        + qMax(0, m_window.secondsList()->currentIndex());
    // Only the real-time graph offers the lists; its role decides what a new rate means.
    if (GraphRole* role = m_window.role())
        role->samplingRateChanged(rate);
}

void GraphCommands::showSamplingRate(int seconds)
{
    m_settingRate = true;
    m_window.setSamplingRate(seconds);
    m_settingRate = false;
}

} // namespace tc4dl
