#pragma once

#include "core/check/register_map.h"

#include <QWidget>

namespace px {

// The data bytes of every frame of one direction at a glance: a line per frame with its
// number and Cob-ID, then eight cells, each coloured after the register it feeds and
// labelled with the register and its part (H, L); unmapped bytes stay plain and bytes
// beyond the frame's data length are greyed.
class ByteStripWidget final : public QWidget {
    Q_OBJECT
public:
    explicit ByteStripWidget(QWidget* parent = nullptr);

    void setFrames(std::vector<check::FrameLayout> frames);
    const std::vector<check::FrameLayout>& frames() const { return m_frames; }

    // The cell of data byte `byte` (0 to 7) of frame line `line`, in widget coordinates.
    QRect cellRect(int line, int byte) const;
    // The colour a cell is painted with.
    QColor cellColour(int line, int byte) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<check::FrameLayout> m_frames;
};

} // namespace px
