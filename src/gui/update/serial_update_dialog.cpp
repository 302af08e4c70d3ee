#include "gui/update/serial_update_dialog.h"

#include "core/lang/message_ids.h"
#include "core/services/prompter.h"
#include "core/services/serial_ports.h"
#include "core/shell/session.h"
#include "core/update/required_files.h"
#include "core/update/serial_update.h"
#include "core/update/update_history.h"
#include "gui/common/guard.h"
#include "gui/common/title_band.h"
#include "gui/update/update_operations.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace px {

namespace {

template <typename T>
T* named(QWidget* parent, const char* name)
{
    auto* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

SerialUpdateDialog::SerialUpdateDialog(Session& session, Prompter& prompter, SerialPorts& ports,
                                       StartProgramFn startProgram, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompter(prompter), m_ports(ports),
      m_startProgram(std::move(startProgram))
{
    setObjectName(QStringLiteral("serialUpdateDialog"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("descriptionLabel"), this);
    top->addWidget(m_band);

    m_pages = new QStackedWidget(this);
    top->addWidget(m_pages, 1);

    m_portPage = named<QWidget>(m_pages, "portPage");
    auto* port = new QVBoxLayout(m_portPage);
    port->setContentsMargins(16, 10, 16, 0);
    m_stepsIntro = named<QLabel>(m_portPage, "stepsIntroLabel");
    m_stepTurnOff = named<QLabel>(m_portPage, "turnOffStepLabel");
    m_stepBootMode = named<QLabel>(m_portPage, "bootModeStepLabel");
    m_stepSelectPort = named<QLabel>(m_portPage, "selectPortStepLabel");
    m_stepTurnOn = named<QLabel>(m_portPage, "turnOnStepLabel");
    m_portList = named<QComboBox>(m_portPage, "serialPortChoice");
    m_portList->setMinimumWidth(160);
    m_stepSelectPort->setBuddy(m_portList);
    m_refreshPortsButton = named<QToolButton>(m_portPage, "refreshPortsButton");
    m_refreshPortsButton->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    QFont bold = m_stepsIntro->font();
    bold.setBold(true);
    m_stepsIntro->setFont(bold);
    port->addWidget(m_stepsIntro);
    port->addWidget(m_stepTurnOff);
    port->addWidget(m_stepBootMode);
    port->addWidget(m_stepSelectPort);
    auto* comRow = new QHBoxLayout;
    comRow->addSpacing(24);
    comRow->addWidget(m_portList);
    comRow->addWidget(m_refreshPortsButton);
    comRow->addStretch(1);
    port->addLayout(comRow);
    port->addWidget(m_stepTurnOn);
    port->addStretch(1);
    m_pages->addWidget(m_portPage);

    m_operations = UpdateOperationsPage::build(m_pages, bold);
    m_pages->addWidget(m_operations.page);

    m_buttons = UpdateButtons::build(this, top);

    connect(m_refreshPortsButton, &QToolButton::clicked, this, [this] { refreshPorts(); });
    connect(m_buttons.cancel, &QPushButton::clicked, this, &SerialUpdateDialog::reject);
    connect(m_buttons.next, &QPushButton::clicked, this, [this] { goToOperations(); });
    connect(m_buttons.update, &QPushButton::clicked, this, [this] { startUpdate(); });

    setFixedSize(460, 360);
    applyLanguage();
}

void SerialUpdateDialog::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[msg::kSerialTitle]);
    m_band->descriptionLabel()->setText(m[msg::kSerialDescription]);
    m_stepsIntro->setText(m[msg::kSerialStepsIntro]);
    m_stepTurnOff->setText(m[msg::kSerialStepTurnOff]);
    m_stepBootMode->setText(m[msg::kSerialStepBootMode]);
    m_stepSelectPort->setText(m[msg::kSerialStepSelectPort]);
    m_stepTurnOn->setText(m[msg::kSerialStepTurnOn]);
    m_refreshPortsButton->setToolTip(m[msg::kSerialRefreshPorts]);
    m_operations.title->setText(m[msg::kSerialUpdateOptions]);
    m_operations.writeFirmware->setText(m[msg::kSerialFirmware]);
    m_operations.readFirmwareBack->setText(m[msg::kSerialReadFirmwareBack]);
    m_operations.writeConfiguration->setText(m[msg::kSerialConfiguration]);
    m_operations.readConfigurationBack->setText(m[msg::kSerialReadConfigurationBack]);
    m_buttons.cancel->setText(m[msg::kSerialCancel]);
    m_buttons.next->setText(m[msg::kSerialNext]);
    m_buttons.update->setText(m[msg::kSerialExecuteUpdate]);
    m_portList->setToolTip(m[msg::kSerialPortHint]);
    m_buttons.cancel->setToolTip(m[msg::kSerialCancelHint]);
    m_buttons.next->setToolTip(m[msg::kSerialNextHint]);
    m_operations.writeFirmware->setToolTip(m[msg::kSerialFirmwareHint]);
    m_operations.readFirmwareBack->setToolTip(m[msg::kSerialReadFirmwareBackHint]);
    m_operations.writeConfiguration->setToolTip(m[msg::kSerialConfigurationHint]);
    m_operations.readConfigurationBack->setToolTip(m[msg::kSerialReadConfigurationBackHint]);
    m_buttons.update->setToolTip(m[msg::kSerialExecuteUpdateHint]);
}

void SerialUpdateDialog::refreshPorts()
{
    m_portList->clear();
    for (const SerialPort& p : m_ports.ports())
        m_portList->addItem(p.name, p.systemLocation);
    m_portList->setCurrentIndex(m_portList->count() > 0 ? 0 : -1);
}

void SerialUpdateDialog::prepareShowing()
{
    guarded(m_prompter, m_session.messages, [this] { refreshPorts(); });
    m_pages->setCurrentWidget(m_portPage);
    m_buttons.cancel->setVisible(true);
    m_buttons.next->setVisible(true);
    m_buttons.update->setVisible(false);
    m_buttons.next->setDefault(true);
}

bool SerialUpdateDialog::execShow()
{
    prepareShowing();
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    return exec() == QDialog::Accepted;
}

void SerialUpdateDialog::goToOperations()
{
    if (m_portList->currentText().isEmpty()) {
        m_prompter.error(m_session.messages[msg::kSerialNoPortSelected]);
        return;
    }
    m_pages->setCurrentWidget(m_operations.page);
    m_buttons.cancel->setVisible(false);
    m_buttons.next->setVisible(false);
    m_buttons.update->setVisible(true);
}

void SerialUpdateDialog::startUpdate()
{
    guarded(m_prompter, m_session.messages, [this] {
        const Workspace& ws = m_session.ws;
        const SerialUpdateJob job{m_portList->currentData().toString(),
                                  m_operations.writeFirmware->isChecked(),
                                  m_operations.readFirmwareBack->isChecked(),
                                  m_operations.writeConfiguration->isChecked(),
                                  m_operations.readConfigurationBack->isChecked(),
                                  ws.masterFolder,
                                  ws.configurationFolder};
        // A missing updater or firmware image would let the user believe the device
        // was updated: it is named, and nothing starts.
        if (const std::optional<MissingFile> missing = firstMissingFile(serialUpdateFiles(ws, job))) {
            m_prompter.error(missingFileText(m_session.messages, *missing));
            return;
        }
        const QString program = serialUpdaterProgram(ws);
        const ProgramRunner::Result result = m_startProgram(program, serialUpdateParameters(job), false);
        // Every update that ran is kept in the configuration's history.
        if (result.outcome != ProgramRunner::Outcome::NotStarted) {
            recordUpdate(ws.configurationFolder,
                         makeUpdateRecord(QStringLiteral("serial"), job.devicePath, job.firmware, job.readFirmware,
                                          job.configuration, job.readConfiguration, program, result));
        }
    });
}

} // namespace px
