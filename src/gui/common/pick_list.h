#pragma once

#include <QListWidget>

namespace px {

// A list whose lines are chosen by selecting them, never by a keyboard search: a typed key
// does not move the choice to a line that starts with it. Taking the keyboard focus
// chooses nothing either: with no line selected no line becomes current, so the arrow
// keys then start at the first line.
class PickList final : public QListWidget {
    Q_OBJECT
public:
    explicit PickList(QWidget* parent = nullptr) : QListWidget(parent) {}

    // The row of the selected line, -1 when none is selected.
    int selectedRow() const;

    void keyboardSearch(const QString& search) override;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

} // namespace px
