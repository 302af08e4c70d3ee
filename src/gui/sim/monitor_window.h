#pragma once

#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTimer;

namespace px {

class MonitorPorts;
class Prompter;
class Session;
namespace sim {
class Clock;
class MonitorSession;
}

class MonitorFramesModel;
class MonitorRegistersModel;
class MonitorUnknownModel;

// The commissioning monitor: watches a real CAN bus and, when an address is typed, polls
// the real converter over Modbus TCP, and compares both with the active configuration. It
// stays open beside the other windows. The tables show a snapshot taken a few times a
// second; Pause holds the snapshot still while the counting goes on.
class MonitorWindow final : public QWidget {
    Q_OBJECT
public:
    MonitorWindow(Session& session, Prompter& prompter, MonitorPorts& ports, sim::Clock& clock, QWidget* parent = nullptr);
    ~MonitorWindow() override;

    // Fills the choices, names the configuration in the title and shows the window.
    void showWindow();
    void applyLanguage();

    void startMonitor();
    void stopMonitor();
    void setPaused(bool paused);
    bool isRunning() const;
    bool isPaused() const { return m_paused; }
    // Asks for the HTML file of the summary and writes the candump log (.log) and the CSV
    // of the polls (.csv) beside it.
    void exportSession();
    // Takes a new snapshot into the tables (the refresh timer does it a few times a second).
    void refresh();
    const sim::MonitorSession* session() const { return m_session.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showRunning();
    QString configurationName() const;

    Session& m_appSession;
    Prompter& m_prompter;
    MonitorPorts& m_ports;
    sim::Clock& m_clock;
    std::unique_ptr<sim::MonitorSession> m_session;
    QString m_watchedName;        // the configuration being watched
    bool m_paused = false;
    QString m_stoppedReason;

    MonitorFramesModel* m_frames = nullptr;
    MonitorRegistersModel* m_registers = nullptr;
    MonitorUnknownModel* m_unknown = nullptr;
    QSortFilterProxyModel* m_framesFilter = nullptr;
    QSortFilterProxyModel* m_registersFilter = nullptr;
    QSortFilterProxyModel* m_unknownFilter = nullptr;
    QTimer* m_refresh = nullptr;

    QLabel* m_canLabel = nullptr;
    QComboBox* m_canChoice = nullptr;
    QLabel* m_deviceLabel = nullptr;
    QLineEdit* m_device = nullptr;
    QLabel* m_unitLabel = nullptr;
    QSpinBox* m_unit = nullptr;
    QLabel* m_pollLabel = nullptr;
    QSpinBox* m_poll = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_pauseButton = nullptr;
    QPushButton* m_exportButton = nullptr;
    QLineEdit* m_filter = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_status = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTableView* m_framesTable = nullptr;
    QTableView* m_registersTable = nullptr;
    QTableView* m_unknownTable = nullptr;
};

} // namespace px
