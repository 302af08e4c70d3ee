#pragma once

#include "core/update/start_program.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace px {

class Prompter;
class SerialPorts;
class Session;
class TitleBand;

// Update over the serial port (jumper device): the user puts the device into boot mode,
// chooses the port and the operations, and the serial updater is started with them.
class TFBootSer final : public QDialog {
    Q_OBJECT
public:
    TFBootSer(Session& session, Prompter& prompter, SerialPorts& ports, StartProgramFn startProgram,
              QWidget* parent = nullptr);

    void Set_Lang();
    // Fresh port list, page 1 with Cancel and Next; the options keep their states.
    void FormShow();
    // FormShow, then the modal loop. The result carries no meaning.
    bool execShow();

    // Refills the port list and selects its first port (none when it is empty).
    void update_ComPort();
    // Page 2, once a port is chosen.
    void Btn_NextClick();
    // Starts the serial updater for the chosen port and options; stays on page 2.
    void Btn_UpdateClick();

private:
    Session& m_session;
    Prompter& m_prompter;
    SerialPorts& m_ports;
    StartProgramFn m_startProgram;

    TitleBand* m_band = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* Page_Port = nullptr;
    QWidget* Page_Options = nullptr;
    QLabel* L_Steps1 = nullptr;
    QLabel* L_Steps2 = nullptr;
    QLabel* L_Steps3 = nullptr;
    QLabel* L_Steps4 = nullptr;
    QLabel* L_Steps5 = nullptr;
    QComboBox* CB_Com = nullptr;
    QToolButton* Btn_COM_List = nullptr;
    QLabel* L_Options = nullptr;
    QCheckBox* CB_Firmware = nullptr;
    QCheckBox* CB_Read_Firm = nullptr;
    QCheckBox* CB_Conf = nullptr;
    QCheckBox* CB_Read_Conf = nullptr;
    QPushButton* Btn_Cancel = nullptr;
    QPushButton* Btn_Next = nullptr;
    QPushButton* Btn_Update = nullptr;
};

} // namespace px
