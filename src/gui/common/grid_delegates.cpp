#include "gui/common/grid_delegates.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace px {

void GridCheckBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    // The cell background and selection, then the check box in the middle of the cell.
    opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    opt.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    QStyleOptionViewItem box = opt;
    // The indicator's size is asked with the check feature on: without it the style
    // gives an empty rectangle and the box would shrink to a dot.
    QStyleOptionViewItem withIndicator = opt;
    withIndicator.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect indicator = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &withIndicator, opt.widget);
    box.rect = QRect(QPoint(0, 0), indicator.size());
    box.rect.moveCenter(option.rect.center());
    box.state = (box.state & ~(QStyle::State_On | QStyle::State_Off))
        | (index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, opt.widget);
}

bool GridCheckBoxDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                       const QModelIndex& index)
{
    if (!(index.flags() & Qt::ItemIsUserCheckable) || !(index.flags() & Qt::ItemIsEnabled))
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->position().toPoint()))
            return false;
        break;
    }
    case QEvent::MouseButtonDblClick:
        return true; // the second click of a double click toggles on its release
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        break;
    }
    default:
        return false;
    }
    const bool checked = index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

GridComboDelegate::GridComboDelegate(QStringList items, QObject* parent)
    : QStyledItemDelegate(parent), m_items(std::move(items))
{
}

QWidget* GridComboDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("cellChoice"));
    combo->addItems(m_items);
    // Choosing an item ends the edit at once, as a spreadsheet's list cell does.
    connect(combo, &QComboBox::activated, this, [this, combo] {
        auto* self = const_cast<GridComboDelegate*>(this);
        Q_EMIT self->commitData(combo);
        Q_EMIT self->closeEditor(combo, QAbstractItemDelegate::NoHint);
    });
    return combo;
}

void GridComboDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* combo = static_cast<QComboBox*>(editor);
    combo->setCurrentIndex(static_cast<int>(m_items.indexOf(index.data(Qt::EditRole).toString())));
}

void GridComboDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    const auto* combo = static_cast<QComboBox*>(editor);
    if (combo->currentIndex() >= 0)
        model->setData(index, combo->currentText(), Qt::EditRole);
}

} // namespace px
