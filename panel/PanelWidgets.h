#pragma once

#include "MeterArtwork.h"

#include <QPointF>
#include <QWidget>

namespace tc4dl {

// A transparent click area over one pictured key. It reports presses and releases of any
// mouse button, and a click when the left button is released over it.
class KeyArea : public QWidget {
    Q_OBJECT
public:
    explicit KeyArea(QWidget* parent = nullptr);

    [[nodiscard]] bool isDown() const { return m_down; }

Q_SIGNALS:
    void pressed(Qt::MouseButton button);
    void released(Qt::MouseButton button);
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_down = false;
};

// The picture of the meter's front. Dragging it with the left button moves the window;
// it only reports the drag, the panel decides what moves.
class MeterPicture : public QWidget {
    Q_OBJECT
public:
    explicit MeterPicture(QWidget* parent = nullptr);

Q_SIGNALS:
    void dragStarted(QPointF globalPos);
    void dragMoved(QPointF globalPos);
    void dragEnded();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_dragging = false;
};

// One annunciator of the display, drawn transparent over the LCD glass.
class DisplayMark : public QWidget {
    Q_OBJECT
public:
    DisplayMark(art::Glyph glyph, QWidget* parent = nullptr);

    [[nodiscard]] art::Glyph glyph() const { return m_glyph; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    art::Glyph m_glyph;
};

} // namespace tc4dl
