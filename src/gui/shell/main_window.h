#pragma once

#include "gui/common/dialogs.h"
#include "core/services/program_runner.h"

#include <QStyle>
#include <QWidget>

#include <functional>

class QTimer;

class QAbstractButton;
class QLabel;
class QPushButton;
class QToolButton;

namespace px {

class Browser;
class Dialogs;
class Prompter;
class Session;

// The main window: a column of numbered steps, each opening a modal window.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    struct Services {
        Prompter& prompter;
        Dialogs& dialogs;
        ProgramRunner& runner;
        Browser& browser;
    };

    MainWindow(Session& session, Services services, QWidget* parent = nullptr);

    void applyLanguage();
    void changeLanguage();

    // Step 5: checks the configuration (its findings, if any, are listed first and the
    // person decides), compiles and writes the images, then opens the update dialog of
    // the device.
    void updateDevice();

    // Starts an external program in the home folder (where the updaters and the job file
    // lie) and waits for its end with every window disabled; a panel counts the wait down
    // and offers Cancel, which asks and then ends the program. Tells the person how it
    // ended (what the program printed in the details) and returns that.
    ProgramRunner::Result startProgram(const QString& program, const QString& parameters, bool hidden);

    // Shows the update link with its target (the version check sets it).
    void showUpdateLink(const QString& target);

    // Re-reads the configuration box texts from the current state (after New and Open).
    void showConfigurationBox();
    // Claims the active configuration for this instance; when another running instance
    // holds it, says that it is open read-only here.
    void claimActiveConfiguration();

    // The version check behind the periodic timer (newerVersionAvailable).
    void setVersionCheck(std::function<bool()> check) { m_checkVersion = std::move(check); }
    // Runs the timer exactly while the settings allow the periodic check.
    void applyVersionCheckTimer();
    void checkForNewVersion();
    QTimer* m_versionCheckTimer = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* stepButton(const char* name, QStyle::StandardPixmap icon);
    QToolButton* bandButton(const char* name, QStyle::StandardPixmap icon);
    // Runs `action` on each click of `button`; a failure reaches the person as a message.
    void onClick(QAbstractButton* button, std::function<void()> action);
    // The same for the steps that work on the active configuration: without one, the
    // person is told to open or create one first.
    void onClickWithConfiguration(QAbstractButton* button, std::function<void()> action);
    void connectButtons();
    void showOptions();
    // The frame editor of the active configuration's device generation.
    Window framesEditor(bool transmit) const;
    void newConfiguration();
    void openConfiguration();
    // The check before an update: true to go on. Goes to an editor when asked to.
    bool reviewBeforeUpdate();
    void manageConfigurations();

    Session& m_session;
    Services m_services;
    QString m_updateTarget;
    std::function<bool()> m_checkVersion;

    QLabel* m_codeLabel = nullptr;
    QLabel* m_descriptionLabel = nullptr;
    QLabel* m_updateLink = nullptr;
    QToolButton* m_infoButton = nullptr;
    QToolButton* m_optionsButton = nullptr;
    QToolButton* m_closeButton = nullptr;
    QLabel* m_beginLabel = nullptr;
    QLabel* m_configurationCaption = nullptr;
    QLabel* m_configurationName = nullptr;
    QLabel* m_stepLabels[6] = {};  // Begin, then steps 1 to 5
    QPushButton* m_newButton = nullptr;
    QPushButton* m_openButton = nullptr;
    QPushButton* m_manageButton = nullptr;
    QPushButton* m_communicationButton = nullptr;
    QPushButton* m_receiveFramesButton = nullptr;
    QPushButton* m_receiveMappingButton = nullptr;
    QPushButton* m_transmitFramesButton = nullptr;
    QPushButton* m_transmitMappingButton = nullptr;
    QPushButton* m_updateDeviceButton = nullptr;
    QPushButton* m_virtualConverterButton = nullptr;
    QPushButton* m_monitorButton = nullptr;
    QPushButton* m_registerMapButton = nullptr;
    QLabel* m_homePageLink = nullptr;
};

} // namespace px
