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
class QDoubleSpinBox;
class QFileSystemWatcher;
class QGroupBox;
class QSortFilterProxyModel;
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
class Replay;
class Simulator;
}

class RegisterTableModel;
class CanLogModel;
class ReceiveStateModel;

// The virtual converter: runs the active configuration, compiled in memory, with a Modbus
// TCP server on 127.0.0.1 and a CAN side of the user's choice, and shows its registers, the
// frames on the bus and each receive frame's state as they change. Updates reach the
// tables in batches a few times a second, so a full bus keeps the window responsive.
// It stays open beside the editors, names its configuration in its title, starts clean
// for each configuration and loads the configuration anew when its files change (asking
// first while it runs). A candump log can be played into it; its log can be filtered,
// paused and exported.
class VirtualConverterWindow final : public QDialog, private sim::ConverterEvents {
    Q_OBJECT
public:
    VirtualConverterWindow(Session& session, Prompter& prompter, VirtualConverterPorts& ports, sim::Clock& clock,
                           QWidget* parent = nullptr);
    ~VirtualConverterWindow() override;

    // Fills the choices and shows the window beside the others; the converter stops when
    // it closes.
    void showWindow();
    // Fills the choices; for another configuration than the one shown, starts clean.
    void prepareShowing();
    void applyLanguage();

    void startConverter();
    void stopConverter();
    void sendFrame();
    bool isRunning() const;
    // Brings the tables up to date at once (the batch timer does it a few times a second).
    void flush();
    // Asks for a candump log and plays it into the running converter at the chosen speed.
    void replayCapture();
    bool isReplaying() const;
    void setLogPaused(bool paused);
    // Asks for a file and writes the log's lines as shown (the filter applies).
    void exportLog();
    // Loads the configuration anew when its files changed since it was loaded (the folder
    // watcher calls it); asks first while the converter runs.
    void reloadIfChanged();

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
    // The status line: a message, or that the converter stopped (and why); a stop text stays
    // until something else is said.
    void showStatus(const QString& text);
    void showStopped(const QString& reason);
    void sendPeriodically(bool on);
    void loadConfiguration(const QString& folder);

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

    QString m_folder;             // the configuration shown
    QByteArray m_fingerprint;     // of its files when loaded
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_reloadDelay = nullptr;
    std::unique_ptr<sim::Replay> m_replay;
    bool m_logPaused = false;

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
    bool m_statusShowsStop = false;
    QString m_stopReason;
    QLabel* m_canLabel = nullptr;
    QLabel* m_portLabel = nullptr;
    QGroupBox* m_sendGroup = nullptr;
    QLabel* m_sendIdentifierLabel = nullptr;
    QLabel* m_sendDataLabel = nullptr;
    QTableView* m_registerTable = nullptr;
    QTableView* m_logTable = nullptr;
    QTableView* m_receiveStateTable = nullptr;
    QSortFilterProxyModel* m_logFilter = nullptr;
    QLineEdit* m_logFilterText = nullptr;
    QPushButton* m_logPauseButton = nullptr;
    QPushButton* m_logExportButton = nullptr;
    QPushButton* m_replayButton = nullptr;
    QLabel* m_replaySpeedLabel = nullptr;
    QDoubleSpinBox* m_replaySpeed = nullptr;
    QLineEdit* m_sendIdentifier = nullptr;
    QComboBox* m_sendFormat = nullptr;
    QLineEdit* m_sendData = nullptr;
    QCheckBox* m_sendPeriodically = nullptr;
    QSpinBox* m_sendPeriod = nullptr;
    QPushButton* m_sendButton = nullptr;
};

} // namespace px
