#include "gui/common/grid_model.h"

#include <QApplication>
#include <QPalette>

namespace px {

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::setGrid(TextGrid grid)
{
    beginResetModel();
    m_grid = std::move(grid);
    endResetModel();
}

void GridModel::refresh()
{
    if (rowCount() > 0 && columnCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_grid.rowCount() - 1;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_grid.colCount();
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const QString& text = m_grid.cell(gridRow(index), index.column());
    if (m_grid.isCheckBoxColumn(index.column())) {
        if (role == Qt::CheckStateRole)
            return text == QStringLiteral("Y") ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::EditRole)
            return text;
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text;
    case Qt::BackgroundRole:
        if (index.column() == 0)
            return QApplication::palette().button();
        return {};
    case Qt::ForegroundRole:
        if (index.column() == 0)
            return QApplication::palette().buttonText();
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == 0)
            return QVariant::fromValue(Qt::AlignCenter);
        return {};
    default:
        return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() == 0)
        return false;
    QString text;
    if (role == Qt::CheckStateRole && m_grid.isCheckBoxColumn(index.column()))
        text = value.value<Qt::CheckState>() == Qt::Checked ? QStringLiteral("Y") : QStringLiteral("N");
    else if (role == Qt::EditRole)
        text = value.toString();
    else
        return false;
    m_grid.setCell(gridRow(index), index.column(), text);
    Q_EMIT dataChanged(index, index);
    return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == 0)
        return Qt::NoItemFlags; // the row numbers: the cell cursor passes them by
    if (m_grid.isCheckBoxColumn(index.column()))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_grid.cell(0, section);
    return m_grid.cell(section + 1, 0);
}

} // namespace px
