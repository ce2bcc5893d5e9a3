#pragma once

#include "ChildWindow.h"
#include "MeterArtwork.h"
#include "PanelDisplay.h"
#include "PanelHost.h"
#include "SubWindowActivation.h"

#include <QPoint>
#include <QPointF>
#include <QWidget>

#include <array>

class QLabel;
class QTimer;

namespace tc4dl {

class KeyArea;
class MeterPicture;

// Number of display marks the panel's display switches.
inline constexpr std::size_t kMarkCount = static_cast<std::size_t>(Mark::LabelT4) + 1;

// The control panel: a picture of the meter's front with its display, on which its display
// (PanelDisplay) writes the readings and marks, and pictured keys that send the meter's key
// commands. The main window shows it in a frameless MDI subwindow; moving and closing then act on
// that subwindow. It has nothing to save or print: every child-window command passes it by.
class TfrmPanel : public QWidget, public PanelView, public ChildWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 150;
    static constexpr int kClientHeight = 435;
    // The MAX/MIN key held for this many ticks of MMATimer leaves the AVG/MAX/MIN mode.
    static constexpr int kHoldTicks = 3;
    static constexpr int kMmaIntervalMs = 1000;

    explicit TfrmPanel(PanelHost& host, QWidget* parent = nullptr);
    ~TfrmPanel() override;

    // PanelView: what the display and the link's reports write.
    void setMarkVisible(Mark mark, bool visible) override;
    void setValueText(int channel, const QString& text) override;
    void setNoConnectionVisible(bool visible) override;

    [[nodiscard]] bool isMarkVisible(Mark mark) const;
    [[nodiscard]] QString valueText(int channel) const;
    [[nodiscard]] bool noConnectionVisible() const;

    // A raised alarm on a channel: its reading in the alarm colour.
    void setChannelAlarm(int channel, bool raised);
    [[nodiscard]] bool channelAlarm(int channel) const;
    // The rate of change under a reading ("+1,2 °C/min"); empty while there is none.
    void setRateText(int channel, const QString& text);
    [[nodiscard]] QString rateText(int channel) const;

    // The MAX/MIN key: a click steps through AVG/MAX/MIN, a hold leaves that mode.
    void btnMMAMouseDown();
    void btnMMAMouseUp();
    void MMATimerTimer();
    [[nodiscard]] bool modeKeyDown() const { return m_modeKeyDown; }
    [[nodiscard]] int modeKeyTicks() const { return m_modeKeyTicks; }
    [[nodiscard]] bool mmaTimerActive() const;

    // The click keys.
    void btnHOLDClick();
    void btnRecClick();
    void btnCFClick();
    void btnT1_T2Click();
    void btnCloseClick();

    // Reports the panel as the active child window.
    void FormActivate();

    // What moves and closes: the MDI subwindow holding the panel, else the panel itself.
    [[nodiscard]] QWidget* frameWindow();

Q_SIGNALS:
    void activated();
    void closed();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildDisplay();
    void buildKeys();
    QLabel* addLabel(
        const char* name, const QString& text, QPoint pos, int pixelSize, bool bold = false);
    void addMark(Mark mark, const char* name, art::Glyph glyph, QRect geometry);
    KeyArea* addKey(const char* name, art::Key key, const QString& hint);
    void applyTexts();
    void fitNoConnectionLabel();

    void startDrag(QPointF globalPos);
    void dragTo(QPointF globalPos);

    PanelHost& m_host;
    MeterPicture* m_picture = nullptr;
    std::array<QWidget*, kMarkCount> m_marks {};
    std::array<QLabel*, 4> m_values {};
    std::array<QLabel*, 4> m_rates {};
    std::array<bool, 4> m_alarm {};
    std::array<QLabel*, 5> m_autoSized {};
    QLabel* m_noConnection = nullptr;

    QTimer* m_mmaTimer = nullptr;
    bool m_modeKeyDown = false;
    int m_modeKeyTicks = 0;

    QPointF m_dragStartGlobal;
    QPoint m_dragStartPos;
    SubWindowActivation m_activation;
    bool m_closedReported = false;
};

} // namespace tc4dl
