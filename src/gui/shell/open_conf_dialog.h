#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

namespace px {

class Session;
class TitleBand;

// Step 1, Open Configuration: the folders found in PROJECTS, the active one preselected.
class TFOpenConf final : public QDialog {
    Q_OBJECT
public:
    explicit TFOpenConf(Session& session, QWidget* parent = nullptr);

    void Set_Lang();
    void FormShow();
    bool execShow();
    // OK: the chosen configuration becomes active; an empty choice leaves none active.
    void accept() override;

    // The configuration chosen; read by the main window when the dialog returns OK.
    QString Name_Conf;
    QStringList SL;

private:
    void ListBox1Click();

    Session& m_session;
    TitleBand* m_band = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* Btn_OK = nullptr;
    QPushButton* Btn_Cancel = nullptr;
};

} // namespace px
