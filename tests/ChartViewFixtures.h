#pragma once

// What the chart view tests share: a recorded graph, a shown view, its picture.

#include "ChartCustomizeDialog.h"
#include "ChartDecimator.h"
#include "ChartGraph.h"
#include "ChartModel.h"
#include "ChartQcp.h"
#include "ChartSupport.h"
#include "ChartView.h"
#include "TimeAxisTicker.h"

#include <DateTimeSerial.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace tc4dl::chart;

namespace chartviewtest {

inline const double kStart = tc4dl::toDateTimeSerial(QDateTime(QDate(2026, 3, 2), QTime(10, 0, 0)));
constexpr double kSecond = 1.0 / 86400.0;

// A real-time-like graph: four channels, `filled` of `points` samples two seconds apart, the
// rest cleared (X 0, Y null), X from the start over 200 s, every axis -10..50.
inline void configure(ChartModel& m, bool split, int points = 100, int filled = 100)
{
    m.setSubsets(4);
    m.setPoints(points);
    for (int s = 0; s < 4; ++s) {
        m.setX(s, -1, 0.0);
        m.setY(s, -1, 9999.0);
    }
    for (int p = 0; p < filled; ++p)
        for (int s = 0; s < 4; ++s) {
            m.setX(s, p, kStart + 2.0 * p * kSecond);
            m.setY(s, p, 20.0 + s + std::sin(p / 10.0));
        }
    m.look.subsetLabels = { QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3"),
        QStringLiteral("T4") };
    m.look.subsetColors = { 0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF };
    m.look.allowZooming = Zooming::HorzPlusVert;
    m.look.xScale = { ScaleControl::ManualMinAndMax, kStart, kStart + 200.0 * kSecond };
    m.setMultiAxesSubsets(-1, 0);
    m.setMultiAxesProportions(-1, 0);
    if (split) {
        for (int k = 0; k < 4; ++k) {
            m.setMultiAxesSubsets(k, 1);
            m.setMultiAxesProportions(k, 0.25);
        }
    } else {
        m.setMultiAxesProportions(0, 1.0);
    }
    for (int a = 0; a < 4; ++a) {
        m.setWorkingAxis(a);
        m.setYScale({ ScaleControl::ManualMinAndMax, -10.0, 50.0 });
    }
    m.setWorkingAxis(0);
}

inline std::unique_ptr<ChartView> shownView(ChartModel& m)
{
    auto view = std::make_unique<ChartView>(m);
    view->resize(900, 640);
    view->show();
    view->reinitAndReset();
    view->invalidateImage();
    return view;
}

// Whether every subset of `view` holds the same points (gaps as gaps) as a view built from
// scratch for the same model; graphs short enough not to be thinned.
inline bool sameDataAsFreshView(const ChartModel& m, const ChartView& view)
{
    ChartModel copy;
    if (!copy.loadState(m.storeState()))
        return false;
    ChartView fresh(copy);
    if (view.plot()->graphCount() != m.subsets() || fresh.plot()->graphCount() != m.subsets())
        return false;
    for (int s = 0; s < m.subsets(); ++s) {
        QSharedPointer<QCPGraphDataContainer> a = view.plot()->graph(s)->data();
        QSharedPointer<QCPGraphDataContainer> b = fresh.plot()->graph(s)->data();
        if (a->size() != m.points() || a->size() != b->size())
            return false;
        for (int i = 0; i < a->size(); ++i) {
            const QCPGraphData& x = *(a->constBegin() + i);
            const QCPGraphData& y = *(b->constBegin() + i);
            if (x.key != y.key || std::isnan(x.value) != std::isnan(y.value)
                || (!std::isnan(x.value) && x.value != y.value))
                return false;
        }
    }
    return true;
}

// The picture a replot left in the plot's buffers, as the screen gets it.
inline QImage shownPicture(QCustomPlot& plot)
{
    QImage picture(plot.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    plot.render(&picture);
    return picture;
}

// A bare plot of one line, drawn from its raster or directly.
struct LinePlot {
    explicit LinePlot(bool raster)
    {
        plot.resize(640, 320);
        plot.xAxis->setRange(0.0, 2000.0);
        plot.yAxis->setRange(-10.0, 10.0);
        graph = new ChartGraph(plot.xAxis, plot.yAxis);
        graph->setAdaptiveSampling(false);
        graph->setAntialiased(false);
        graph->setPen(QPen(QColor(255, 0, 255), 1.0));
        graph->setRasterCache(raster);
    }
    QCustomPlot plot;
    ChartGraph* graph = nullptr;
};

template <typename T> inline QList<T*> itemsOf(QCustomPlot* plot)
{
    QList<T*> found;
    for (int i = 0; i < plot->itemCount(); ++i)
        if (auto* item = qobject_cast<T*>(plot->item(i)))
            found.append(item);
    return found;
}

} // namespace chartviewtest
