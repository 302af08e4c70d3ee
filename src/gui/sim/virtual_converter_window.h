#pragma once

#include "core/sim/converter.h"

#include <QDateTime>
#include <QDialog>

#include <deque>
#include <map>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;

namespace px {

class Prompter;
class Session;
class VirtualConverterPorts;
namespace sim {
class Clock;
class Simulator;
}

class RegisterTableModel;
class CanLogModel;
class ReceiveStateModel;

// The virtual converter: runs the active configuration, compiled in memory, with a Modbus
// TCP server on 127.0.0.1 and a CAN side of the user's choice, and shows its registers, the
// frames on the bus and each receive frame's state as they change. Updates reach the
// tables in batches a few times a second, so a full bus keeps the window responsive.
class VirtualConverterWindow final : public QDialog, private sim::ConverterEvents {
    Q_OBJECT
public:
    VirtualConverterWindow(Session& session, Prompter& prompter, VirtualConverterPorts& ports, sim::Clock& clock,
                           QWidget* parent = nullptr);
    ~VirtualConverterWindow() override;

    // Fills the choices and shows the window modally; the converter stops when it closes.
    bool execShow();
    void prepareShowing();

    void startConverter();
    void stopConverter();
    void sendFrame();
    bool isRunning() const;
    // Brings the tables up to date at once (the batch timer does it a few times a second).
    void flush();

    // The longest the CAN log grows; older lines give way.
    static constexpr int kLogCapacity = 2000;

protected:
    void done(int result) override;

private:
    void frameReceived(sim::Millis time, const sim::CanFrame& frame, sim::FrameRef match) override;
    void frameSent(sim::Millis time, const sim::CanFrame& frame, sim::FrameRef frameOf, sim::SendReason reason) override;
    void registerChanged(sim::Millis time, std::uint16_t reg, std::uint16_t value) override;
    void receiveStateChanged(sim::Millis time, int receiveFrame, sim::ReceiveState state) override;
    void modbusRequest(sim::Millis time, const sim::ModbusAccess& access) override;
    void showRunning();
    void sendPeriodically(bool on);

    struct PendingLine {
        sim::Millis time;
        QString direction;
        sim::CanFrame frame;
        QString match;
        QString note;
    };

    Session& m_session;
    Prompter& m_prompter;
    VirtualConverterPorts& m_ports;
    sim::Clock& m_clock;
    std::unique_ptr<sim::Simulator> m_simulator;
    // The frames' mnemonics from the configuration, by direction and index; empty when
    // they cannot be told apart.
    QStringList m_receiveNames;
    QStringList m_transmitNames;
    QString frameText(sim::FrameRef ref) const;

    std::map<std::uint16_t, std::pair<std::uint16_t, sim::Millis>> m_pendingRegisters;
    std::deque<PendingLine> m_pendingLog;
    int m_skippedLines = 0;
    bool m_pendingStates = false;

    RegisterTableModel* m_registers = nullptr;
    CanLogModel* m_log = nullptr;
    ReceiveStateModel* m_states = nullptr;
    QTimer* m_batch = nullptr;
    QTimer* m_periodicSend = nullptr;

    QComboBox* m_canChoice = nullptr;
    QSpinBox* m_portBox = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QLabel* m_statusLabel = nullptr;
    QTableView* m_registerTable = nullptr;
    QTableView* m_logTable = nullptr;
    QTableView* m_receiveStateTable = nullptr;
    QLineEdit* m_sendIdentifier = nullptr;
    QComboBox* m_sendFormat = nullptr;
    QLineEdit* m_sendData = nullptr;
    QCheckBox* m_sendPeriodically = nullptr;
    QSpinBox* m_sendPeriod = nullptr;
    QPushButton* m_sendButton = nullptr;
};

} // namespace px
