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
class TFNew_Project final : public QDialog {
    Q_OBJECT
public:
    TFNew_Project(Session& session, Prompter& prompter, QWidget* parent = nullptr);

    void Set_Lang();
    void FormShow();
    // FormShow, then the modal loop; true when a configuration was created.
    bool execShow();

    void accept() override; // Btn_OKClick, also reached by Enter in the name field

private:
    Session& m_session;
    Prompter& m_prompter;
    TitleBand* m_band = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* E_New_Proj = nullptr;
    QPushButton* Btn_OK = nullptr;
    QPushButton* Btn_Cancel = nullptr;
};

} // namespace px
