#include "TfrmGraph.h"

#include "GraphChannels.h"
#include "GraphCommands.h"
#include "GraphRole.h"

#include "ChartQcp.h"
#include "ChartView.h"
#include "GraphShared.h"
#include "GraphStatistics.h"
#include "MessageTable.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTableWidget>

#include <utility>

namespace tc4dl {

TfrmGraph::TfrmGraph(GraphServices& services, QWidget* parent)
    : QWidget(parent),
      m_services(services),
      m_activation(*this, [this] { FormActivate(); })
{
    FormCreate();
}

TfrmGraph::~TfrmGraph()
{
    // Nothing here reaches the services or the role: the main window may be going away
    // around us.
    m_activation.stop();
    // The view draws the model, which is a member: the view goes first.
    delete PESGraph1;
}

std::optional<bool> TfrmGraph::dataCelsius() const
{
    return m_role ? m_role->dataCelsius() : std::nullopt;
}

void TfrmGraph::setRole(GraphRole* role)
{
    m_role = role;
    if (m_role)
        m_role->attach(*this);
    m_channels->applyNames();
}

void TfrmGraph::save()
{
    if (m_role)
        m_role->save();
    else
        m_services.saveGraph(*this);
}

void TfrmGraph::print()
{
    // The user may adjust the graph before it is printed, but not its fonts, titles, colours
    // or subsets; the customization afterwards offers every page again.
    chart::ChartLook& look = m_model.look;
    const auto allowPages = [&look](bool allow) {
        look.allowFontPage = allow;
        look.allowPage1 = allow;
        look.allowPage2 = allow;
        look.allowSubsetsPage = allow;
    };
    allowPages(false);
    PESGraph1->customize();
    allowPages(true);
    PESGraph1->printDialog();
}

QWidget* TfrmGraph::frameWindow()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return this;
}

void TfrmGraph::redraw()
{
    m_channels->update();
    PESGraph1->resetImage();
    PESGraph1->invalidateImage();
    pnlGraphResize();
}

void TfrmGraph::setClearVisible(bool visible)
{
    m_clearDivider->setVisible(visible);
    m_clearAction->setVisible(visible);
}

bool TfrmGraph::clearVisible() const
{
    return m_clearAction->isVisible();
}

void TfrmGraph::setClearEnabled(bool enabled)
{
    tbntClr->setEnabled(enabled);
}

bool TfrmGraph::clearEnabled() const
{
    return tbntClr->isEnabled();
}

void TfrmGraph::setSamplingRateEnabled(bool enabled)
{
    rateMinutesList->setEnabled(enabled);
    rateSecondsList->setEnabled(enabled);
}

void TfrmGraph::setSamplingRate(int seconds)
{
    // An index beyond the lists (61 minutes or more, a negative rate) selects nothing.
    rateMinutesList->setCurrentIndex(seconds / 60 < rateMinutesList->count() ? seconds / 60 : -1);
    rateSecondsList->setCurrentIndex(seconds % 60);
}

void TfrmGraph::setAnnotationToolsEnabled(bool enabled)
{
    crossToolButton->setEnabled(enabled);
    textToolButton->setEnabled(enabled);
}

bool TfrmGraph::annotationToolsEnabled() const
{
    return crossToolButton->isEnabled() && textToolButton->isEnabled();
}

// Window events

void TfrmGraph::FormShow()
{
    PESGraph1->setArrowCursor(1);
    m_services.graphShared().annotationTool = AnnotationTool::Normal;
    pointerToolButton->setChecked(true);
}

void TfrmGraph::FormActivate()
{
    m_services.disableOutputToGraph();
}

bool TfrmGraph::FormCloseQuery()
{
    return !m_role || m_role->closeQuery();
}

void TfrmGraph::FormClose()
{
    // Closing the real-time graph ends a recording without the stop processing.
    if (GraphRole* role = std::exchange(m_role, nullptr))
        role->closed();
    Q_EMIT closed();
}

void TfrmGraph::dataSetGridClick()
{
    const int row = dataSetGrid->currentRow();
    if (row < 0)
        return;
    const QTableWidgetItem* date = dataSetGrid->item(row, 1);
    if (date && !date->text().isEmpty() && m_role)
        m_role->dataSetClicked(row);
}

void TfrmGraph::statisticButtonClick()
{
    pnlGraphStatistic->setVisible(statisticButton->isChecked());
    pnlGraphResize();
}

void TfrmGraph::lineCursorButtonClick()
{
    const bool down = lineCursorButton->isChecked();
    pnlStatistic->setVisible(down);
    m_model.look.showVertLineAnnotations = down;
    redraw();
}

void TfrmGraph::pnlGraphResize()
{
    const QPoint corner = PESGraph1->geometry().topLeft() + PESGraph1->wholePlotRect().topLeft();
    readOutLabel->move(corner);
    readOutLabel->raise();
}

// Statistics and read-outs

void TfrmGraph::ComputeGraphStatistics()
{
    const chart::GraphStatistics stats = chart::computeGraphStatistics(m_model);
    txtStartTime->setText(chart::dateTimeText(stats.firstX));
    rateMinutesList->setCurrentIndex(
        stats.rateMinutes() < rateMinutesList->count() ? stats.rateMinutes() : -1);
    rateSecondsList->setCurrentIndex(stats.rateSeconds());
    txtDataNo->setText(QString::number(stats.points));
    for (int ch = 0; ch < 4; ++ch) {
        const chart::ChannelStatistics& c = stats.channels.at(ch);
        m_max[ch]->setText(chart::valueAtText(c.max, c.maxX));
        m_min[ch]->setText(chart::valueAtText(c.min, c.minX));
        m_avg[ch]->setText(chart::avgText(c.avg(), c.count));
    }
}

void TfrmGraph::setReadOut(const QString& text)
{
    readOutLabel->setText(text);
    readOutLabel->adjustSize();
    readOutLabel->setVisible(!text.isEmpty());
    pnlGraphResize();
}

void TfrmGraph::PESGraph1MouseMove()
{
    const QPoint pos = PESGraph1->lastMousePosition();
    const QRect plot = PESGraph1->wholePlotRect();
    if (pos.x() >= plot.left() && pos.x() <= plot.right() && pos.y() >= plot.top()
        && pos.y() <= plot.bottom()) {
        const QPointF value = PESGraph1->pixelToGraph(pos, PESGraph1->axisAt(pos));
        setReadOut(chart::fixedText(value.y(), 1) + QLatin1Char('@') + chart::timeText(value.x()));
    }
}

void TfrmGraph::PESGraph1DataHotSpot(int subset, int point)
{
    // Annotation 2 is the one marker: a new click moves it.
    chart::GraphAnnotation marker;
    marker.type = chart::kAnnotationCross;
    marker.x = m_model.x(subset, point);
    marker.y = m_model.y(subset, point);
    marker.text = chart::timeText(marker.x) + QChar(13) + chart::fixedText(marker.y, 1);
    // Black would vanish on the black plot.
    marker.color = kVisibleAnnotationColor;
    m_model.setAnnotation(2, marker);
    redraw();
}

// Qt events

void TfrmGraph::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmGraph::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    const bool fromSubWindow = m_subWindowClosing;
    m_subWindowClosing = false;
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_closed = true;
    event->accept();
    FormClose();
    // Closed on its own (not through its frame): the frame goes too.
    if (!fromSubWindow)
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
            sub->close();
}

bool TfrmGraph::event(QEvent* event)
{
    // A new frame is watched for its close too: see eventFilter().
    if (QMdiSubWindow* frame = m_activation.handle(*event))
        frame->installEventFilter(this);
    if (event->type() == QEvent::Resize && pnlDataSets)
        fitDataSetPanel();
    return QWidget::event(event);
}

bool TfrmGraph::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pnlGraph && event->type() == QEvent::Resize)
        pnlGraphResize();
    else if (watched == parentWidget() && event->type() == QEvent::Close)
        m_subWindowClosing = true;
    return QWidget::eventFilter(watched, event);
}

} // namespace tc4dl
