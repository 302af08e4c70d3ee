#pragma once

#include "core/update/ping_sequence.h"
#include "core/update/start_program.h"
#include "gui/update/update_operations.h"

#include <QDialog>

#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace px {

class Pinger;
class Prompter;
class Session;
class TitleBand;

// Update over Ethernet (dip-switch device): the user proves with a ping that the device
// answers at its address, chooses the operations, and the job file is written and the
// Ethernet updater started.
class EthernetUpdateDialog final : public QDialog {
    Q_OBJECT
public:
    // `clock` times the ping; none means the real time, with the user interface running
    // during the pauses.
    EthernetUpdateDialog(Session& session, Prompter& prompter, Pinger& pinger, StartProgramFn startProgram,
                         QWidget* parent = nullptr, PingClock* clock = nullptr);
    ~EthernetUpdateDialog() override;

    void applyLanguage();
    // Page 1 with an empty ping result; the last address used fills the boxes when it is
    // a valid one. Every showing needs a new successful ping.
    void prepareShowing();
    // prepareShowing, then the modal loop. The result carries no meaning.
    bool execShow();

    void ping();
    // Page 2 and the address stored as lastDeviceAddress, once the device was found.
    void goToOperations();
    // Writes the job file and starts the Ethernet updater; stays on page 2.
    void startUpdate();

    // True when the last ping of this showing found the device.
    bool deviceFound() const { return m_found; }

    // Cancel, Escape and the close box; while a ping or the updater runs, the dialog
    // closes once it ends.
    void done(int result) override;

protected:
    // "." in the first three address boxes moves on to the next box.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString typedAddress() const;
    // An address box changed: a found device no longer proves the address in the boxes.
    void addressEdited();

    Session& m_session;
    Prompter& m_prompter;
    Pinger& m_pinger;
    StartProgramFn m_startProgram;
    std::unique_ptr<PingClock> m_ownClock;
    PingClock* m_clock = nullptr;
    bool m_found = false;
    // The address the last ping was sent to.
    QString m_pingedAddress;
    bool m_pinging = false;
    std::optional<int> m_closeAfterPing;
    bool m_updating = false;
    std::optional<int> m_closeAfterUpdate;

    TitleBand* m_band = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_addressPage = nullptr;
    QLabel* m_addressLabel = nullptr;
    QLineEdit* m_addressBoxes[4] = {};
    QLabel* m_pingLabel = nullptr;
    QPushButton* m_pingButton = nullptr;
    QLabel* m_pingResult = nullptr;
    UpdateOperationsPage m_operations;
    UpdateButtons m_buttons;
};

} // namespace px
