#pragma once

#include "core/update/ping_sequence.h"
#include "core/update/start_program.h"

#include <QDialog>

#include <memory>
#include <optional>

class QCheckBox;
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
class TFBootTCP final : public QDialog {
    Q_OBJECT
public:
    // `clock` times the ping; none means the real time, with the user interface running
    // during the pauses.
    TFBootTCP(Session& session, Prompter& prompter, Pinger& pinger, StartProgramFn startProgram,
              QWidget* parent = nullptr, PingClock* clock = nullptr);
    ~TFBootTCP() override;

    void Set_Lang();
    // Page 1 with an empty ping result; the last address used fills the boxes when it is
    // a valid one. Every showing needs a new successful ping.
    void FormShow();
    // FormShow, then the modal loop. The result carries no meaning.
    bool execShow();

    void Btn_PingClick();
    // Page 2 and the address stored as Last_IP, once the device was found.
    void Btn_NextClick();
    // Writes the job file and starts the Ethernet updater; stays on page 2.
    void Btn_UpdateClick();

    // True when the last ping of this showing found the device.
    bool Esegui_Ping() const { return m_found; }

    // Cancel, Escape and the close box; while a ping runs, the dialog closes once it ends.
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

    TitleBand* m_band = nullptr;
    QStackedWidget* m_pages = nullptr;
    QWidget* Page_Address = nullptr;
    QWidget* Page_Options = nullptr;
    QLabel* L_IP_Address = nullptr;
    QLineEdit* E_IP[4] = {};
    QLabel* L_Ping = nullptr;
    QPushButton* Btn_Ping = nullptr;
    QLabel* LPing = nullptr;
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
