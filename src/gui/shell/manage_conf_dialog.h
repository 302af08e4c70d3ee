#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace px {

class Prompter;
class Session;
class TitleBand;
class Trash;

// Step 1, Manage Configurations: duplicate a configuration (with offsets for its CAN
// identifiers and registers), rename it, delete it, export it as one .zip file and import
// one. Every action works on the configuration selected in the list and goes through
// core; refusals and questions go through the Prompter.
class TFManageConf final : public QDialog {
    Q_OBJECT
public:
    TFManageConf(Session& session, Prompter& prompter, Trash& trash, QWidget* parent = nullptr);

    void Set_Lang();
    void FormShow();
    bool execShow();

    // The configurations listed, as in the Open dialog.
    QStringList SL;
    // The folder where the file dialogs of Export and Import start.
    QString exchangeFolder;

private:
    QString selected() const;
    void reload(const QString& select);
    void duplicate();
    void rename();
    void remove();
    void exportSelected();
    void import();
    void run(const std::function<void()>& action);

    Session& m_session;
    Prompter& m_prompter;
    Trash& m_trash;
    TitleBand* m_band = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* LB_Conf = nullptr;
    QGroupBox* GB_Copy = nullptr;
    QLabel* L_Name = nullptr;
    QLineEdit* E_Name = nullptr;
    QLabel* L_Id_Offset = nullptr;
    QLineEdit* E_Id_Offset = nullptr;
    QLabel* L_Tx_Id_Offset = nullptr;
    QLineEdit* E_Tx_Id_Offset = nullptr;
    QLabel* L_Reg_Offset = nullptr;
    QLineEdit* E_Reg_Offset = nullptr;
    QLabel* L_Tx_Reg_Offset = nullptr;
    QLineEdit* E_Tx_Reg_Offset = nullptr;
    QPushButton* Btn_Duplicate = nullptr;
    QPushButton* Btn_Rename = nullptr;
    QPushButton* Btn_Delete = nullptr;
    QGroupBox* GB_Exchange = nullptr;
    QCheckBox* CB_With_Images = nullptr;
    QPushButton* Btn_Export = nullptr;
    QPushButton* Btn_Import = nullptr;
    QLabel* L_Status = nullptr;
    QPushButton* Btn_Close = nullptr;
};

} // namespace px
