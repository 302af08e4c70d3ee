#include "gui/frames/frame_table_model.h"

#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "core/services/prompter.h"

namespace px {

FrameTableModel::FrameTableModel(FrameListKind kind, QObject* parent) : QAbstractTableModel(parent), m_frames(kind) {}

void FrameTableModel::setFrames(FrameList frames)
{
    // The editor's rows keep their number: the cells change, the table stays (a reset
    // would also drop the column widths).
    if (frames.kind() == m_frames.kind() && frames.rowCount() == m_frames.rowCount()) {
        m_frames = std::move(frames);
        rowsChangedFrom(0);
        return;
    }
    beginResetModel();
    m_frames = std::move(frames);
    endResetModel();
}

FrameColumn FrameTableModel::frameColumn(int column) const
{
    return m_frames.columns().at(static_cast<std::size_t>(column));
}

QModelIndex FrameTableModel::cellIndex(int row, FrameColumn column) const
{
    return index(row, m_frames.columnIndex(column));
}

void FrameTableModel::setTitles(const MessageTable& messages)
{
    m_titles.clear();
    for (FrameColumn column : m_frames.columns())
        m_titles << messages[columnTitleMessage(kind(), column)];
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void FrameTableModel::rowsChangedFrom(int row)
{
    if (row >= 0 && row < rowCount())
        Q_EMIT dataChanged(index(row, 0), index(rowCount() - 1, columnCount() - 1));
}

void FrameTableModel::removeFrameRow(int row)
{
    m_frames.removeRow(row);
    rowsChangedFrom(row);
}

void FrameTableModel::insertEmptyFrameRow(int row)
{
    m_frames.insertEmptyRow(row);
    rowsChangedFrom(row);
}

bool FrameTableModel::moveFrameRow(int row, int by)
{
    if (!m_frames.moveRow(row, by))
        return false;
    const int first = std::min(row, row + by);
    const int last = std::max(row, row + by);
    Q_EMIT dataChanged(index(first, 0), index(last, columnCount() - 1));
    return true;
}

bool FrameTableModel::pasteRow(int row, bool copied, const RowClipboard& clipboard, Prompter& prompter,
                               const MessageTable& messages)
{
    // The core decides; refusals are error boxes and the overwrite question a Yes/No.
    switch (decidePaste(m_frames, row, copied, clipboard)) {
    case PasteDecision::NotCopied:
        prompter.error(messages[msg::kPasteNothingCopied]);
        return false;
    case PasteDecision::WrongColumns:
        prompter.error(messages[msg::kPasteCopyDoesNotFit]);
        return false;
    case PasteDecision::AskOverwrite:
        if (!prompter.yesNo(messages[msg::kPasteOverwriteQuestion]))
            return false;
        break;
    case PasteDecision::Write:
        break;
    }
    m_frames.setRowTexts(row, clipboard.texts);
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

int FrameTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_frames.rowCount();
}

int FrameTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_frames.columnCount();
}

QVariant FrameTableModel::displayData(const QModelIndex& index) const
{
    if (isCheckBoxColumn(frameColumn(index.column())))
        return {}; // the check box alone
    return m_frames.text(index.row(), frameColumn(index.column()));
}

QVariant FrameTableModel::checkStateData(const QModelIndex& index) const
{
    if (!isCheckBoxColumn(frameColumn(index.column())))
        return {};
    return config::isCheckedFlag(m_frames.text(index.row(), frameColumn(index.column()))) ? Qt::Checked : Qt::Unchecked;
}

QVariant FrameTableModel::alignmentData(const QModelIndex& index) const
{
    if (isCheckBoxColumn(frameColumn(index.column())))
        return QVariant::fromValue(Qt::AlignCenter);
    return {};
}

QVariant FrameTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return displayData(index);
    case Qt::EditRole:
        return m_frames.text(index.row(), frameColumn(index.column()));
    case Qt::CheckStateRole:
        return checkStateData(index);
    case Qt::TextAlignmentRole:
        return alignmentData(index);
    default:
        return {};
    }
}

bool FrameTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid())
        return false;
    const FrameColumn column = frameColumn(index.column());
    QString text;
    if (role == Qt::CheckStateRole && isCheckBoxColumn(column))
        text = config::flagText(value.value<Qt::CheckState>() == Qt::Checked);
    else if (role == Qt::EditRole && !isCheckBoxColumn(column))
        text = value.toString();
    else
        return false;
    m_frames.setText(index.row(), column, text);
    Q_EMIT dataChanged(index, index);
    return true;
}

Qt::ItemFlags FrameTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (isCheckBoxColumn(frameColumn(index.column())))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant FrameTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_titles.value(section);
    return QString::number(section + 1);
}

} // namespace px
