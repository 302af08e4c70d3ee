#pragma once

#include <QWidget>

#include <QStyle>

#include <functional>

class QTimer;

class QLabel;
class QPushButton;
class QToolButton;

namespace px {

class Browser;
class Dialogs;
class ProgramRunner;
class Prompter;
class Session;

// The main window: a column of numbered steps, each opening a modal window.
class TFOrvaneaFirmWare final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        Prompter& prompter;
        Dialogs& dialogs;
        ProgramRunner& runner;
        Browser& browser;
    };

    TFOrvaneaFirmWare(Session& session, Services services, QWidget* parent = nullptr);

    void Set_Lang();
    void Change_Language();

    // The one click handler of the title-band and step buttons.
    void Btn_COB_RequestClick(QObject* sender);

    // Step 5: checks the configuration (its findings, if any, are listed first and the
    // person decides), compiles and writes the images, then opens the update dialog of
    // the device.
    void Update_Device();

    // Starts an external program and waits for its end with every window disabled.
    void Start_Program(const QString& NomeSW, const QString& Parameter, bool tipo);

    // Shows the update link with its target (the version check sets it).
    void showUpdateLink(const QString& target);

    // Re-reads the configuration box texts from the current state (after New and Open).
    void showConfigurationBox();

    // The version check behind the periodic timer (Check_Version).
    void setVersionCheck(std::function<bool()> check) { m_checkVersion = std::move(check); }
    // Runs the timer exactly while the settings allow the periodic check.
    void applyVersionCheckTimer();
    void Timer_UpdateTimer();
    QTimer* Timer_Update = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* stepButton(const char* name, QStyle::StandardPixmap icon);
    QToolButton* bandButton(const char* name, QStyle::StandardPixmap icon);
    void Create_New_Project();
    void Open_Project();
    // The check before an update: true to go on. Goes to an editor when asked to.
    bool reviewBeforeUpdate();
    void Manage_Projects();

    Session& m_session;
    Services m_services;
    QString m_updateTarget;
    std::function<bool()> m_checkVersion;

    QLabel* L_SW_Code = nullptr;
    QLabel* L_SW_Desc = nullptr;
    QLabel* LL_Update = nullptr;
    QToolButton* Btn_Info = nullptr;
    QToolButton* Btn_Opz = nullptr;
    QToolButton* Btn_Close = nullptr;
    QLabel* L_Begin = nullptr;
    QLabel* L_Name_Conf = nullptr;
    QLabel* L_Name_Conf_L2 = nullptr;
    QLabel* L_Step[9] = {};
    QPushButton* Btn_New = nullptr;
    QPushButton* Btn_Open = nullptr;
    QPushButton* Btn_Manage = nullptr;
    QPushButton* Btn_Prm_Gen = nullptr;
    QPushButton* Btn_Receive_COB = nullptr;
    QPushButton* Btn_Rec_Define_COB = nullptr;
    QPushButton* Btn_Transmit_COB = nullptr;
    QPushButton* Btn_Tra_Define_COB = nullptr;
    QPushButton* Btn_CreateBin = nullptr;
    QPushButton* Btn_COB_Request = nullptr;
    QPushButton* Btn_COB_Setting = nullptr;
    QPushButton* Btn_Virtual_Converter = nullptr;
    QPushButton* Btn_Register_Map = nullptr;
    QLabel* L_Quarnel = nullptr;
};

} // namespace px
