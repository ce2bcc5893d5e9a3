#include "RealTimeGraphAdapter.h"

#include "ChartView.h"
#include "GraphCommands.h"
#include "GraphServices.h"
#include "TfrmGraph.h"

#include <QComboBox>
#include <QLineEdit>

namespace tc4dl {

RealTimeGraphAdapter::RealTimeGraphAdapter(TfrmGraph& window, GraphServices& services)
    : m_window(&window),
      m_object(&window),
      m_services(services)
{
}

void RealTimeGraphAdapter::setMaxText(int channel, const QString& text)
{
    if (m_window)
        m_window->maxBox(channel)->setText(text);
}

void RealTimeGraphAdapter::setMinText(int channel, const QString& text)
{
    if (m_window)
        m_window->minBox(channel)->setText(text);
}

void RealTimeGraphAdapter::setAvgText(int channel, const QString& text)
{
    if (m_window)
        m_window->avgBox(channel)->setText(text);
}

void RealTimeGraphAdapter::setDataNoText(const QString& text)
{
    if (m_window)
        m_window->dataNoBox()->setText(text);
}

void RealTimeGraphAdapter::setStartTimeText(const QString& text)
{
    if (m_window)
        m_window->startTimeBox()->setText(text);
}

chart::ChartModel& RealTimeGraphAdapter::model()
{
    return m_window ? m_window->model() : m_orphan;
}

void RealTimeGraphAdapter::redraw()
{
    if (m_window)
        m_window->redraw();
}

void RealTimeGraphAdapter::restore()
{
    if (m_window)
        m_window->frameWindow()->showNormal();
}

void RealTimeGraphAdapter::setClearEnabled(bool enabled)
{
    if (m_window)
        m_window->setClearEnabled(enabled);
}

int RealTimeGraphAdapter::minutesIndex() const
{
    return m_window ? m_window->minutesList()->currentIndex() : -1;
}

int RealTimeGraphAdapter::secondsIndex() const
{
    return m_window ? m_window->secondsList()->currentIndex() : -1;
}

void RealTimeGraphAdapter::setRateIndexes(int minutes, int seconds)
{
    if (!m_window)
        return;
    m_window->minutesList()->setCurrentIndex(minutes);
    m_window->secondsList()->setCurrentIndex(seconds);
}

void RealTimeGraphAdapter::showSamplingRate(int seconds)
{
    if (m_window)
        m_window->commands()->showSamplingRate(seconds);
}

void RealTimeGraphAdapter::clear()
{
    if (m_window)
        m_window->commands()->ClearGraph();
}

bool RealTimeGraphAdapter::save()
{
    return m_window && m_services.saveGraph(*m_window);
}

void RealTimeGraphAdapter::focusPlot()
{
    if (m_window)
        m_window->graph()->setFocus();
}

int RealTimeGraphAdapter::nextAnnotationIndex()
{
    // A window that has gone takes no notes that matter: any index into the orphan model.
    return m_window ? m_window->nextAnnotationIndex() : m_orphan.annotationCount();
}

} // namespace tc4dl
