#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

namespace px {

// A check-box cell: a click anywhere in the cell or the space bar toggles it between
// "Y" and "N" (a cell never toggled stays empty).
class GridCheckBoxDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};

// A drop-down cell offering a fixed list of texts; choosing an item stores its text. A
// cell whose text is not in the list keeps it until another item is chosen.
class GridComboDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    GridComboDelegate(QStringList items, QObject* parent = nullptr);

    const QStringList& items() const { return m_items; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    QStringList m_items;
};

} // namespace px
