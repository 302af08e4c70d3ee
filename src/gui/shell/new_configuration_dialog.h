#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace px {

class Prompter;
class Session;
class TitleBand;

// Step 1, New Configuration: a name, and a folder with its bin subfolder under PROJECTS.
class NewConfigurationDialog final : public QDialog {
    Q_OBJECT
public:
    NewConfigurationDialog(Session& session, Prompter& prompter, QWidget* parent = nullptr);

    void applyLanguage();
    void prepareShowing();
    // prepareShowing, then the modal loop; true when a configuration was created.
    bool execShow();

    void accept() override; // confirm, also reached by Enter in the name field

private:
    Session& m_session;
    Prompter& m_prompter;
    TitleBand* m_band = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace px
