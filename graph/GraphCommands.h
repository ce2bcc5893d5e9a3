#pragma once

#include "ChartModel.h"

#include <QObject>

class QCheckBox;
class QToolButton;

namespace tc4dl {

class GraphServices;
class TfrmGraph;

// The toolbar and plot commands of a graph window that change what the graph shows: the Y
// axis ranges, Graph Option, split or shared axes, zoom, the annotation tools and colour,
// Clear, and the sampling rate of the real-time graph (which its role acts on).
class GraphCommands final : public QObject {
    Q_OBJECT
public:
    GraphCommands(TfrmGraph& window, GraphServices& services);

    void btnChangeScaleClick();
    void graphOptionButtonClick();
    // "Show MAX/MIN on Graph": each channel's MAX, MIN and average as a text in the plot's top
    // left corner.
    void showMaxMinButtonClick();
    void PESGraph1CustomizeDlg();
    void chkSplitClick();
    void PESGraph1ZoomIn();
    void UndoZoomClick();
    void pointerToolButtonClick();
    void crossToolButtonClick();
    void textToolButtonClick();
    void PESGraph1Click();
    void PESGraph1GraphAnnotHotSpot(int index, bool doubleClick);
    void PESGraph1GraphHotSpot();
    void colorButtonClick();
    void tbntClrClick();
    void ClearGraph();
    void rateListChange();
    // Shows `seconds` in the rate lists without acting on it.
    void showSamplingRate(int seconds);

    // ArrowCursor of the Cross tool: the cross-shaped pointer.
    static constexpr int kCrossCursor = 3;

private:
    void wire();
    void saveTemplate();
    [[nodiscard]] QString text(const char* id) const;

    TfrmGraph& m_window;
    GraphServices& m_services;
    // The colour dialog starts from the annotation colour as it was when the window opened.
    chart::Color m_colorAtCreation = 0;
    bool m_settingRate = false;
};

} // namespace tc4dl
