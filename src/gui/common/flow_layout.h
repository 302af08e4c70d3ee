#pragma once

#include <QLayout>
#include <QList>

namespace px {

// Lays its widgets out left to right, as a row of buttons, and goes on in a further row
// where the width runs out, so that a window with many buttons may be narrower than the
// row: at a large scale or with long texts no button is pushed off the window or clipped.
// As wide as the widest widget at least; as wide as the one row when there is room.
class FlowLayout final : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items within `rect` (only measures when `place` is false); the height used.
    int arrange(const QRect& rect, bool place) const;

    QList<QLayoutItem*> m_items;
};

} // namespace px
