#pragma once

#include <QFrame>

class QLabel;
class QHBoxLayout;

namespace px {

// The band across the top of every window: the software code in large type and, under
// it, one line of description (the label "descriptionLabel" in every window).
class TitleBand final : public QFrame {
    Q_OBJECT
public:
    explicit TitleBand(const QString& descriptionObjectName, QWidget* parent = nullptr);

    QLabel* codeLabel() const { return m_code; }
    QLabel* descriptionLabel() const { return m_description; }
    // Room at the right of the band for buttons and links.
    QHBoxLayout* rightSide() const { return m_right; }

private:
    QLabel* m_code = nullptr;
    QLabel* m_description = nullptr;
    QHBoxLayout* m_right = nullptr;
};

} // namespace px
