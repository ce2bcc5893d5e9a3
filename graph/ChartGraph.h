#pragma once

#include "ChartQcp.h"

#include <QImage>
#include <QPen>
#include <QRect>
#include <QRegion>

#include <limits>

namespace tc4dl::chart {

// One subset's line. A thinned long graph is drawn into a raster kept between replots, and a
// replot after appended points repaints only the pixel columns from the first change on, then
// copies the raster: a real-time tick costs the new points and the plot's width, not every
// point of the run again. Printing, export and everything the raster cannot reproduce exactly
// (selection, fills, scatters, antialiasing, scaled painters) are drawn by QCPGraph as before.
class ChartGraph : public QCPGraph {
public:
    ChartGraph(QCPAxis* keyAxis, QCPAxis* valueAxis);

    // Whether the next replots may draw from the raster; off also frees it.
    void setRasterCache(bool on);
    // Dashes by pixel column (on, off), for a curve drawn beside the data with the data's
    // colour: the line is drawn solid and shown only in the "on" columns, so a repaint from a
    // column on gives the same pixels as a whole drawing (a pen's dashes follow the line's
    // length from its start, which a partial repaint cannot know). 0 on: a plain line.
    void setColumnDashes(int on, int off);
    // The data from `index` on differs from what was drawn last.
    void markChangedFrom(int index);
    [[nodiscard]] bool rasterCache() const { return m_useRaster; }
    // Whether a raster is kept: made once the points change in a view already drawn.
    [[nodiscard]] bool hasRaster() const { return !m_raster.isNull(); }

protected:
    void draw(QCPPainter* painter) override;

private:
    // Everything a drawn raster depends on besides the data.
    struct View {
        QRect region; // the plot's clip, in device pixels
        QSize device;
        QCPRange keys;
        QCPRange values;
        QPen pen;
        const QCPGraphDataContainer* data = nullptr;
        bool operator==(const View& other) const;
    };

    [[nodiscard]] bool canUseRaster(const QCPPainter& painter) const;
    // As QCPGraph draws, within the dash columns.
    void drawDirectly(QCPPainter* painter);
    [[nodiscard]] View currentView(const QRect& region, const QSize& device) const;
    void repaintAll();
    void repaintFrom(int index);
    void paintFrom(int index, const QRect& clip);
    [[nodiscard]] double pixelX(int index) const;
    // `clip` cut down to the dash columns (the whole of it without column dashes).
    [[nodiscard]] QRegion dashed(const QRect& clip) const;

    QImage m_raster;
    View m_view; // of the last drawing on a screen
    bool m_viewSeen = false;
    bool m_useRaster = false;
    int m_drawnSize = 0;
    int m_changedFrom = std::numeric_limits<int>::max();
    int m_bandTop = 0; // rows of the raster that may hold anything
    int m_bandBottom = -1;
    int m_dashOn = 0;
    int m_dashOff = 0;
};

} // namespace tc4dl::chart
