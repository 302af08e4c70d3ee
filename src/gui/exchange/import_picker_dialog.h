#pragma once

#include "core/exchange/import_plan.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTableWidgetItem;

namespace px {

class MessageTable;
class Prompter;

// The picker of an import: the frames of a CAN database or a capture in a table with check
// boxes and a text filter, the first register to number from, and a preview of the frame
// rows and mapping entries the import adds, with what is not mapped and why, the lines of
// the file that were skipped, and the frames the list holds already. The time-out
// proposed for each receive frame of the dip-switch device can be changed in the preview.
// Import checks that everything fits and closes with the plan; Cancel closes with nothing.
class ImportPickerDialog final : public QDialog {
    Q_OBJECT
public:
    // Its texts in the language of `messages`; without, in English.
    ImportPickerDialog(Prompter& prompter, const MessageTable& messages, QWidget* parent = nullptr);
    explicit ImportPickerDialog(Prompter& prompter, QWidget* parent = nullptr);
    ~ImportPickerDialog() override;

    // Fills the dialog: nothing chosen, the filter empty, the first register the target's.
    // `warnings`: the lines of the file that were skipped, listed with what is not imported.
    void prepareShowing(const QString& fileName, std::vector<exchange::ImportMessage> messages,
                  const exchange::ImportTarget& target, const QStringList& warnings = {});

    // Refuses (with the reason, the dialog staying open) when nothing is chosen, nothing
    // can be imported or it would not fit; otherwise closes with the plan.
    void accept() override;

    const exchange::ImportPlan& plan() const { return m_plan; }
    // The messages ticked, in file order, with the time-outs set in the preview.
    std::vector<exchange::ImportMessage> chosen() const;

private:
    void fillMessages();
    void applyFilter();
    void setShownChecked(bool checked);
    void messageItemChanged(QTableWidgetItem* item);
    void replan();
    void fillPreview();

    void build();
    QString text(int id) const;

    Prompter& m_prompter;
    std::unique_ptr<MessageTable> m_english;  // the texts when no table is given
    const MessageTable& m_texts;
    std::vector<exchange::ImportMessage> m_messages;
    QStringList m_warnings;
    std::vector<bool> m_checked;
    exchange::ImportTarget m_target;
    exchange::ImportPlan m_plan;
    bool m_filling = false;

    QLabel* m_fileLabel = nullptr;
    QLineEdit* m_filterEdit = nullptr;
    QPushButton* m_checkShownButton = nullptr;
    QPushButton* m_uncheckAllButton = nullptr;
    QTableWidget* m_messagesTable = nullptr;
    QSpinBox* m_firstRegisterBox = nullptr;
    QLabel* m_noteLabel = nullptr;
    QTableWidget* m_framesTable = nullptr;
    QTableWidget* m_entriesTable = nullptr;
    QListWidget* m_notMappedList = nullptr;
    QLabel* m_summaryLabel = nullptr;
    QPushButton* m_importButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace px
