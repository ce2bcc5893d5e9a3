#pragma once

#include <QLayout>
#include <QList>

namespace tc4dl {

// A row of widgets that breaks into further rows, left-aligned, when the width runs short:
// the statistic strips above and below a graph stay whole and readable in a tiled or small
// window instead of squeezing their boxes over their captions. Each row is as high as its
// tallest item, items are centred in it, and nothing is made narrower than its size hint.
class ReflowLayout final : public QLayout {
public:
    explicit ReflowLayout(
        QWidget* parent = nullptr, int horizontalSpacing = 6, int verticalSpacing = 4);
    ~ReflowLayout() override;

    ReflowLayout(const ReflowLayout&) = delete;
    ReflowLayout& operator=(const ReflowLayout&) = delete;

    void addItem(QLayoutItem* item) override;
    [[nodiscard]] int count() const override;
    [[nodiscard]] QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    [[nodiscard]] Qt::Orientations expandingDirections() const override;
    [[nodiscard]] bool hasHeightForWidth() const override;
    [[nodiscard]] int heightForWidth(int width) const override;
    [[nodiscard]] QSize minimumSize() const override;
    [[nodiscard]] QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Lays the items out in `rect` (or only measures, when `apply` is false); the height used.
    int arrange(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> m_items;
    int m_hSpacing;
    int m_vSpacing;
};

} // namespace tc4dl
