#pragma once

#include "core/check/finding.h"
#include "gui/common/dialogs.h"

#include <QDialog>

#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace px {

class MessageTable;

// The findings of the check that Update Device runs before it compiles, errors first, then
// warnings, each in the check's order; a long finding wraps onto further lines. Back is the
// default button (Enter and Escape go back); going on needs a click on "Update anyway"
// when there are errors, or on Continue with warnings only. Double-clicking a finding goes
// back to the editor concerned at its row.
class FindingsDialog final : public QDialog {
    Q_OBJECT
public:
    explicit FindingsDialog(const MessageTable& messages, QWidget* parent = nullptr);

    // Fills the dialog for `findings`; the answer starts as Back.
    void showFindings(const std::vector<check::Finding>& findings);
    // showFindings, then the modal loop.
    FindingsAnswer review(const std::vector<check::Finding>& findings);
    // Open answers give the finding's index in the vector passed to showFindings.
    FindingsAnswer answer() const { return m_answer; }

    void applyLanguage();

private:
    const MessageTable& m_messages;
    std::vector<check::Finding> m_findings;   // in the order the list shows them
    std::vector<int> m_givenIndex;            // each shown finding's index as given
    FindingsAnswer m_answer;

    QLabel* m_findingsIntro = nullptr;
    QListWidget* m_findingsList = nullptr;
    QLabel* m_findingsHint = nullptr;
    QPushButton* m_backButton = nullptr;
    QPushButton* m_continueButton = nullptr;
};

} // namespace px
