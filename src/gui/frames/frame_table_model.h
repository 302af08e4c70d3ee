#pragma once

#include "core/frames/frame_list.h"

#include <QAbstractTableModel>

namespace px {

class MessageTable;
class Prompter;

// The table model of a frame editor over its typed rows: one model row per frame row,
// one model column per column of the editor (frameColumns of its kind), the row numbers
// from 1 in the vertical header. Check-box columns are booleans here: checked for the
// text "Y" only, and a toggle stores "Y" or "N" in the row.
class FrameTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    FrameTableModel(FrameListKind kind, QObject* parent = nullptr);

    const FrameList& frames() const { return m_frames; }
    // Replaces every row; the views show the new rows (as a change of every cell).
    void setFrames(FrameList frames);
    FrameListKind kind() const { return m_frames.kind(); }
    FrameColumn frameColumn(int column) const;
    // The model index of a row's cell in a column of the editor.
    QModelIndex cellIndex(int row, FrameColumn column) const;

    // The column titles in the current language.
    void setTitles(const MessageTable& messages);

    // The row operations of the editor's buttons; each changes the rows from `row` down.
    void removeFrameRow(int row);
    void insertEmptyFrameRow(int row);
    // Move Up (-1) and Move Down (+1): false when there is no row to swap with.
    bool moveFrameRow(int row, int by);
    bool pasteRow(int row, bool copied, const RowClipboard& clipboard, Prompter& prompter,
                  const MessageTable& messages);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVariant displayData(const QModelIndex& index) const;
    QVariant checkStateData(const QModelIndex& index) const;
    QVariant alignmentData(const QModelIndex& index) const;
    void rowsChangedFrom(int row);

    FrameList m_frames;
    QStringList m_titles;
};

} // namespace px
