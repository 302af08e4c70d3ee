#pragma once

#include "core/update/start_program.h"
#include "gui/update/update_operations.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QStackedWidget;
class QToolButton;

namespace px {

class Prompter;
class SerialPorts;
class Session;
class TitleBand;

// Update over the serial port (jumper device): the user puts the device into boot mode,
// chooses the port and the operations, and the serial updater is started with them.
class SerialUpdateDialog final : public QDialog {
    Q_OBJECT
public:
    SerialUpdateDialog(Session& session, Prompter& prompter, SerialPorts& ports, StartProgramFn startProgram,
                       QWidget* parent = nullptr);

    void applyLanguage();
    // Fresh port list, page 1 with Cancel and Next; the options keep their states.
    void prepareShowing();
    // prepareShowing, then the modal loop. The result carries no meaning.
    bool execShow();

    // Refills the port list and selects its first port (none when it is empty).
    void refreshPorts();
    // Page 2, once a port is chosen.
    void goToOperations();
    // Starts the serial updater for the chosen port and options; stays on page 2.
    void startUpdate();

private:
    Session& m_session;
    Prompter& m_prompter;
    SerialPorts& m_ports;
    StartProgramFn m_startProgram;

    TitleBand* m_band = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_portPage = nullptr;
    QLabel* m_stepsIntro = nullptr;
    QLabel* m_stepTurnOff = nullptr;
    QLabel* m_stepBootMode = nullptr;
    QLabel* m_stepSelectPort = nullptr;
    QLabel* m_stepTurnOn = nullptr;
    QComboBox* m_portList = nullptr;
    QToolButton* m_refreshPortsButton = nullptr;
    UpdateOperationsPage m_operations;
    UpdateButtons m_buttons;
};

} // namespace px
