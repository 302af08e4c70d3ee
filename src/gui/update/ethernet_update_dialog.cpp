#include "gui/update/ethernet_update_dialog.h"

#include "core/lang/message_ids.h"
#include "core/services/pinger.h"
#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "core/update/ethernet_job.h"
#include "core/update/required_files.h"
#include "core/update/update_history.h"
#include "gui/common/guard.h"
#include "gui/common/title_band.h"
#include "gui/update/update_operations.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace px {

namespace {

template <typename T>
T* named(QWidget* parent, const QString& name)
{
    auto* w = new T(parent);
    w->setObjectName(name);
    return w;
}

// Real time; a pause lets the user interface run (paint, move, react) meanwhile.
class EventLoopClock final : public PingClock {
public:
    EventLoopClock() { m_timer.start(); }
    std::int64_t nowMs() override { return m_timer.elapsed(); }
    void pause(std::chrono::milliseconds duration) override
    {
        QEventLoop loop;
        QTimer::singleShot(duration, &loop, &QEventLoop::quit);
        loop.exec();
    }

private:
    QElapsedTimer m_timer;
};

const QColor kFound(0, 128, 0);
const QColor kNotFound(255, 0, 0);

} // namespace

EthernetUpdateDialog::EthernetUpdateDialog(Session& session, Prompter& prompter, Pinger& pinger,
                                           StartProgramFn startProgram, QWidget* parent, PingClock* clock)
    : QDialog(parent), m_session(session), m_prompter(prompter), m_pinger(pinger),
      m_startProgram(std::move(startProgram))
{
    if (clock == nullptr) {
        m_ownClock = std::make_unique<EventLoopClock>();
        clock = m_ownClock.get();
    }
    m_clock = clock;

    setObjectName(QStringLiteral("ethernetUpdateDialog"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("descriptionLabel"), this);
    top->addWidget(m_band);

    m_pages = new QStackedWidget(this);
    top->addWidget(m_pages, 1);

    m_addressPage = named<QWidget>(m_pages, QStringLiteral("addressPage"));
    auto* address = new QVBoxLayout(m_addressPage);
    address->setContentsMargins(16, 10, 16, 0);
    m_addressLabel = named<QLabel>(m_addressPage, QStringLiteral("addressLabel"));
    address->addWidget(m_addressLabel);
    auto* boxes = new QHBoxLayout;
    boxes->addSpacing(24);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            boxes->addWidget(new QLabel(QStringLiteral("."), m_addressPage));
        m_addressBoxes[i] = named<QLineEdit>(m_addressPage, QStringLiteral("ipAddressByte%1").arg(i + 1));
        m_addressBoxes[i]->setFixedWidth(48);
        m_addressBoxes[i]->setAlignment(Qt::AlignRight);
        m_addressBoxes[i]->setText(QStringLiteral("0"));
        boxes->addWidget(m_addressBoxes[i]);
        if (i < 3)
            m_addressBoxes[i]->installEventFilter(this);
        connect(m_addressBoxes[i], &QLineEdit::textChanged, this, [this] { addressEdited(); });
    }
    m_addressLabel->setBuddy(m_addressBoxes[0]);
    boxes->addStretch(1);
    address->addLayout(boxes);
    address->addSpacing(12);
    m_pingLabel = named<QLabel>(m_addressPage, QStringLiteral("pingLabel"));
    address->addWidget(m_pingLabel);
    auto* pingRow = new QHBoxLayout;
    pingRow->addSpacing(24);
    m_pingButton = named<QPushButton>(m_addressPage, QStringLiteral("pingButton"));
    m_pingResult = named<QLabel>(m_addressPage, QStringLiteral("pingResultLabel"));
    QFont bold = m_pingResult->font();
    bold.setBold(true);
    m_pingResult->setFont(bold);
    pingRow->addWidget(m_pingButton);
    pingRow->addSpacing(12);
    pingRow->addWidget(m_pingResult, 1);
    address->addLayout(pingRow);
    address->addStretch(1);
    m_pages->addWidget(m_addressPage);

    m_operations = UpdateOperationsPage::build(m_pages, bold);
    m_pages->addWidget(m_operations.page);

    m_buttons = UpdateButtons::build(this, top);

    connect(m_pingButton, &QPushButton::clicked, this, [this] { ping(); });
    connect(m_buttons.cancel, &QPushButton::clicked, this, &EthernetUpdateDialog::reject);
    connect(m_buttons.next, &QPushButton::clicked, this, [this] { goToOperations(); });
    connect(m_buttons.update, &QPushButton::clicked, this, [this] { startUpdate(); });

    setFixedSize(460, 330);
    applyLanguage();
}

EthernetUpdateDialog::~EthernetUpdateDialog() = default;

void EthernetUpdateDialog::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[msg::kEthernetTitle]);
    m_band->descriptionLabel()->setText(m[msg::kEthernetTitle]);
    m_addressLabel->setText(m[msg::kEthernetAddressLabel] + QStringLiteral(" PD40318"));
    m_pingLabel->setText(m[msg::kEthernetCheckConnection]);
    m_pingButton->setText(m[msg::kEthernetPing]);
    m_buttons.cancel->setText(m[msg::kEthernetCancel]);
    m_buttons.next->setText(m[msg::kEthernetNext]);
    m_operations.title->setText(m[msg::kEthernetUpdateOptions]);
    m_operations.writeFirmware->setText(m[msg::kEthernetFirmware]);
    m_operations.readFirmwareBack->setText(m[msg::kEthernetReadFirmwareBack]);
    m_operations.writeConfiguration->setText(m[msg::kEthernetConfiguration]);
    m_operations.readConfigurationBack->setText(m[msg::kEthernetReadConfigurationBack]);
    m_buttons.update->setText(m[msg::kEthernetExecuteUpdate]);
    constexpr int addressHints[4] = {msg::kEthernetIp1Hint, msg::kEthernetIp2Hint, msg::kEthernetIp3Hint,
                                     msg::kEthernetIp4Hint};
    for (int i = 0; i < 4; ++i)
        m_addressBoxes[i]->setToolTip(m[addressHints[i]]);
    m_pingButton->setToolTip(m[msg::kEthernetPingHint]);
    m_buttons.cancel->setToolTip(m[msg::kEthernetCancelHint]);
    m_buttons.next->setToolTip(m[msg::kEthernetNextHint]);
    m_operations.writeFirmware->setToolTip(m[msg::kEthernetFirmwareHint]);
    m_operations.readFirmwareBack->setToolTip(m[msg::kEthernetReadFirmwareBackHint]);
    m_operations.writeConfiguration->setToolTip(m[msg::kEthernetConfigurationHint]);
    m_operations.readConfigurationBack->setToolTip(m[msg::kEthernetReadConfigurationBackHint]);
    m_buttons.update->setToolTip(m[msg::kEthernetExecuteUpdateHint]);
}

void EthernetUpdateDialog::prepareShowing()
{
    m_pages->setCurrentWidget(m_addressPage);
    m_buttons.cancel->setVisible(true);
    m_buttons.next->setVisible(true);
    m_buttons.update->setVisible(false);
    m_pingButton->setDefault(true); // Enter after typing the address pings
    m_pingResult->clear();
    const QString& last = m_session.settings.lastDeviceAddress;
    if (!last.isEmpty()) {
        if (const auto parts = splitDeviceAddress(last)) {
            for (int i = 0; i < 4; ++i)
                m_addressBoxes[i]->setText((*parts)[static_cast<std::size_t>(i)]);
        }
    }
    m_addressLabel->setText(m_session.messages[msg::kEthernetAddressLabel] + QStringLiteral(" PD40318"));
    m_found = false;
    m_closeAfterPing.reset();
    m_addressBoxes[0]->setFocus();
}

bool EthernetUpdateDialog::execShow()
{
    prepareShowing();
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    return exec() == QDialog::Accepted;
}

QString EthernetUpdateDialog::typedAddress() const
{
    return m_addressBoxes[0]->text() + u'.' + m_addressBoxes[1]->text() + u'.' + m_addressBoxes[2]->text() + u'.' + m_addressBoxes[3]->text();
}

void EthernetUpdateDialog::ping()
{
    // The user interface runs during the ping; a second click must not start another.
    if (m_pinging)
        return;
    m_found = false;
    m_pingResult->clear();
    m_pingedAddress = typedAddress();
    PingOutcome outcome = PingOutcome::Stopped;
    {
        // Ping and Next wait for the result, however the ping ends. A keyboard user who
        // pinged from the Ping button finds the focus there again, not moved on to Cancel.
        struct Busy {
            EthernetUpdateDialog& d;
            QWidget* movedTo = nullptr;
            bool pingHadFocus = false;
            explicit Busy(EthernetUpdateDialog& dialog) : d(dialog)
            {
                pingHadFocus = d.m_pingButton->hasFocus();
                set(true);
                movedTo = d.focusWidget();
            }
            ~Busy()
            {
                set(false);
                if (pingHadFocus && d.focusWidget() == movedTo)
                    d.m_pingButton->setFocus(Qt::OtherFocusReason);
            }
            void set(bool busy)
            {
                d.m_pinging = busy;
                d.m_pingButton->setEnabled(!busy);
                d.m_buttons.next->setEnabled(!busy);
            }
        } busy(*this);

        outcome = runPingSequence(m_pinger, typedAddress(), *m_clock,
                                  [this] { return m_closeAfterPing.has_value(); });
    }

    if (outcome == PingOutcome::Stopped) {
        // Closed while pinging: the dialog closes now that the ping has ended.
        const int result = m_closeAfterPing.value_or(QDialog::Rejected);
        m_closeAfterPing.reset();
        QDialog::done(result);
        return;
    }
    // The address was edited while the ping ran: its result is about another address.
    if (typedAddress() != m_pingedAddress)
        return;
    m_found = outcome == PingOutcome::Found;
    const int message = outcome == PingOutcome::Found      ? msg::kEthernetDeviceFound
                        : outcome == PingOutcome::NotFound ? msg::kEthernetDeviceNotFound
                                                           : msg::kEthernetAddressInvalid;
    QPalette palette = m_pingResult->palette();
    palette.setColor(QPalette::WindowText, m_found ? kFound : kNotFound);
    m_pingResult->setPalette(palette);
    m_pingResult->setText(m_session.messages[message]);
}

void EthernetUpdateDialog::addressEdited()
{
    // While a ping runs its end compares the addresses; the result it shows then is its own.
    if (m_pinging || typedAddress() == m_pingedAddress)
        return;
    m_found = false;
    m_pingResult->clear();
}

void EthernetUpdateDialog::done(int result)
{
    // Closing while the ping runs ends the ping first: the dialog stays modal until the
    // attempt under way is over, so no other window takes input meanwhile and a new
    // showing never meets a ping still running.
    if (m_pinging) {
        m_closeAfterPing = result;
        return;
    }
    // Closed while the updater runs: the dialog closes once the wait is over, so that it
    // never goes away under the wait that re-enables the windows, and the update's end
    // and record still reach the person.
    if (m_updating) {
        m_closeAfterUpdate = result;
        return;
    }
    QDialog::done(result);
}

void EthernetUpdateDialog::goToOperations()
{
    if (!m_found) {
        m_prompter.error(m_session.messages[msg::kEthernetDeviceNotInNetwork]);
        return;
    }
    m_pages->setCurrentWidget(m_operations.page);
    m_buttons.cancel->setVisible(false);
    m_buttons.next->setVisible(false);
    m_buttons.update->setVisible(true);
    // Kept for the next showing; written with the settings file.
    m_session.settings.lastDeviceAddress = typedAddress();
}

void EthernetUpdateDialog::startUpdate()
{
    guarded(m_prompter, m_session.messages, [this] {
        const Workspace& ws = m_session.ws;
        const EthernetUpdateJob job{typedAddress(),
                                    m_operations.writeFirmware->isChecked(),
                                    m_operations.readFirmwareBack->isChecked(),
                                    m_operations.writeConfiguration->isChecked(),
                                    m_operations.readConfigurationBack->isChecked(),
                                    ws.masterFolder,
                                    ws.configurationFolder};
        // A missing updater or firmware image would let the user believe the device
        // was updated: it is named, and nothing is written or started.
        if (const std::optional<MissingFile> missing = firstMissingFile(ethernetUpdateFiles(ws, job))) {
            m_prompter.error(missingFileText(m_session.messages, *missing));
            return;
        }
        writeEthernetJob(job, ethernetJobFile(ws));
        const QString program = ethernetUpdaterProgram(ws);
        m_updating = true;
        const auto closeIfAsked = qScopeGuard([this] {
            m_updating = false;
            if (const std::optional<int> result = std::exchange(m_closeAfterUpdate, std::nullopt))
                QDialog::done(*result);
        });
        const ProgramRunner::Result result = m_startProgram(program, QString(), false);
        // Every update that ran is kept in the configuration's history.
        if (result.outcome != ProgramRunner::Outcome::NotStarted) {
            recordUpdate(ws.configurationFolder,
                         makeUpdateRecord(QStringLiteral("ethernet"), job.ipAddress, job.firmware,
                                          job.readFirmware, job.configuration, job.readConfiguration,
                                          program, result));
        }
    });
}

bool EthernetUpdateDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Period) {
        for (int i = 0; i < 3; ++i) {
            if (watched == m_addressBoxes[i]) {
                QLineEdit* next = m_addressBoxes[i + 1];
                if (next->isEnabled() && next->isVisible() && next->focusPolicy() != Qt::NoFocus)
                    next->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace px
