#include "gui/update/ethernet_update_dialog.h"

#include "core/platform/pinger.h"
#include "core/platform/prompter.h"
#include "core/shell/session.h"
#include "core/update/ethernet_job.h"
#include "core/update/required_files.h"
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

TFBootTCP::TFBootTCP(Session& session, Prompter& prompter, Pinger& pinger, StartProgramFn startProgram,
                     QWidget* parent, PingClock* clock)
    : QDialog(parent), m_session(session), m_prompter(prompter), m_pinger(pinger),
      m_startProgram(std::move(startProgram))
{
    if (clock == nullptr) {
        m_ownClock = std::make_unique<EventLoopClock>();
        clock = m_ownClock.get();
    }
    m_clock = clock;

    setObjectName(QStringLiteral("TFBootTCP"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("L_SW_Desc"), this);
    top->addWidget(m_band);

    m_pages = new QStackedWidget(this);
    top->addWidget(m_pages, 1);

    Page_Address = named<QWidget>(m_pages, QStringLiteral("Page_Address"));
    auto* address = new QVBoxLayout(Page_Address);
    address->setContentsMargins(16, 10, 16, 0);
    L_IP_Address = named<QLabel>(Page_Address, QStringLiteral("L_IP_Address"));
    address->addWidget(L_IP_Address);
    auto* boxes = new QHBoxLayout;
    boxes->addSpacing(24);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            boxes->addWidget(new QLabel(QStringLiteral("."), Page_Address));
        E_IP[i] = named<QLineEdit>(Page_Address, QStringLiteral("E_IP%1").arg(i + 1));
        E_IP[i]->setFixedWidth(48);
        E_IP[i]->setAlignment(Qt::AlignRight);
        E_IP[i]->setText(QStringLiteral("0"));
        boxes->addWidget(E_IP[i]);
        if (i < 3)
            E_IP[i]->installEventFilter(this);
        connect(E_IP[i], &QLineEdit::textChanged, this, [this] { addressEdited(); });
    }
    L_IP_Address->setBuddy(E_IP[0]);
    boxes->addStretch(1);
    address->addLayout(boxes);
    address->addSpacing(12);
    L_Ping = named<QLabel>(Page_Address, QStringLiteral("L_Ping"));
    address->addWidget(L_Ping);
    auto* pingRow = new QHBoxLayout;
    pingRow->addSpacing(24);
    Btn_Ping = named<QPushButton>(Page_Address, QStringLiteral("Btn_Ping"));
    LPing = named<QLabel>(Page_Address, QStringLiteral("LPing"));
    QFont bold = LPing->font();
    bold.setBold(true);
    LPing->setFont(bold);
    pingRow->addWidget(Btn_Ping);
    pingRow->addSpacing(12);
    pingRow->addWidget(LPing, 1);
    address->addLayout(pingRow);
    address->addStretch(1);
    m_pages->addWidget(Page_Address);

    const UpdateOperationsPage operations = UpdateOperationsPage::build(m_pages, bold);
    Page_Options = operations.page;
    L_Options = operations.L_Options;
    CB_Firmware = operations.CB_Firmware;
    CB_Read_Firm = operations.CB_Read_Firm;
    CB_Conf = operations.CB_Conf;
    CB_Read_Conf = operations.CB_Read_Conf;
    m_pages->addWidget(Page_Options);

    const UpdateButtons buttons = UpdateButtons::build(this, top);
    Btn_Cancel = buttons.Btn_Cancel;
    Btn_Next = buttons.Btn_Next;
    Btn_Update = buttons.Btn_Update;

    connect(Btn_Ping, &QPushButton::clicked, this, [this] { Btn_PingClick(); });
    connect(Btn_Cancel, &QPushButton::clicked, this, &TFBootTCP::reject);
    connect(Btn_Next, &QPushButton::clicked, this, [this] { Btn_NextClick(); });
    connect(Btn_Update, &QPushButton::clicked, this, [this] { Btn_UpdateClick(); });

    setFixedSize(460, 330);
    Set_Lang();
}

TFBootTCP::~TFBootTCP() = default;

void TFBootTCP::Set_Lang()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[57]);
    m_band->descriptionLabel()->setText(m[57]);
    L_IP_Address->setText(m[58] + QStringLiteral(" PD40318"));
    L_Ping->setText(m[59]);
    Btn_Ping->setText(m[60]);
    Btn_Cancel->setText(m[61]);
    Btn_Next->setText(m[62]);
    L_Options->setText(m[63]);
    CB_Firmware->setText(m[64]);
    CB_Read_Firm->setText(m[65]);
    CB_Conf->setText(m[66]);
    CB_Read_Conf->setText(m[67]);
    Btn_Update->setText(m[68]);
    for (int i = 0; i < 4; ++i)
        E_IP[i]->setToolTip(m[467 + i]);
    Btn_Ping->setToolTip(m[471]);
    Btn_Cancel->setToolTip(m[472]);
    Btn_Next->setToolTip(m[473]);
    CB_Firmware->setToolTip(m[474]);
    CB_Read_Firm->setToolTip(m[475]);
    CB_Conf->setToolTip(m[476]);
    CB_Read_Conf->setToolTip(m[477]);
    Btn_Update->setToolTip(m[478]);
}

void TFBootTCP::FormShow()
{
    m_pages->setCurrentWidget(Page_Address);
    Btn_Cancel->setVisible(true);
    Btn_Next->setVisible(true);
    Btn_Update->setVisible(false);
    Btn_Ping->setDefault(true); // Enter after typing the address pings
    LPing->clear();
    const QString& last = m_session.settings.Last_IP;
    if (!last.isEmpty()) {
        if (const auto parts = Valid_IP(last)) {
            for (int i = 0; i < 4; ++i)
                E_IP[i]->setText((*parts)[static_cast<std::size_t>(i)]);
        }
    }
    L_IP_Address->setText(m_session.messages[58] + QStringLiteral(" PD40318"));
    m_found = false;
    m_closeAfterPing.reset();
    E_IP[0]->setFocus();
}

bool TFBootTCP::execShow()
{
    FormShow();
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    return exec() == QDialog::Accepted;
}

QString TFBootTCP::typedAddress() const
{
    return E_IP[0]->text() + u'.' + E_IP[1]->text() + u'.' + E_IP[2]->text() + u'.' + E_IP[3]->text();
}

void TFBootTCP::Btn_PingClick()
{
    // The user interface runs during the ping; a second click must not start another.
    if (m_pinging)
        return;
    m_found = false;
    LPing->clear();
    m_pingedAddress = typedAddress();
    PingOutcome outcome = PingOutcome::Stopped;
    {
        // Ping and Next wait for the result, however the ping ends. A keyboard user who
        // pinged from the Ping button finds the focus there again, not moved on to Cancel.
        struct Busy {
            TFBootTCP& d;
            QWidget* movedTo = nullptr;
            bool pingHadFocus = false;
            explicit Busy(TFBootTCP& dialog) : d(dialog)
            {
                pingHadFocus = d.Btn_Ping->hasFocus();
                set(true);
                movedTo = d.focusWidget();
            }
            ~Busy()
            {
                set(false);
                if (pingHadFocus && d.focusWidget() == movedTo)
                    d.Btn_Ping->setFocus(Qt::OtherFocusReason);
            }
            void set(bool busy)
            {
                d.m_pinging = busy;
                d.Btn_Ping->setEnabled(!busy);
                d.Btn_Next->setEnabled(!busy);
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
    const int message = outcome == PingOutcome::Found ? 69 : (outcome == PingOutcome::NotFound ? 70 : 71);
    QPalette palette = LPing->palette();
    palette.setColor(QPalette::WindowText, m_found ? kFound : kNotFound);
    LPing->setPalette(palette);
    LPing->setText(m_session.messages[message]);
}

void TFBootTCP::addressEdited()
{
    // While a ping runs its end compares the addresses; the result it shows then is its own.
    if (m_pinging || typedAddress() == m_pingedAddress)
        return;
    m_found = false;
    LPing->clear();
}

void TFBootTCP::done(int result)
{
    // Closing while the ping runs ends the ping first: the dialog stays modal until the
    // attempt under way is over, so no other window takes input meanwhile and a new
    // showing never meets a ping still running.
    if (m_pinging) {
        m_closeAfterPing = result;
        return;
    }
    QDialog::done(result);
}

void TFBootTCP::Btn_NextClick()
{
    if (!m_found) {
        m_prompter.error(m_session.messages[72]);
        return;
    }
    m_pages->setCurrentWidget(Page_Options);
    Btn_Cancel->setVisible(false);
    Btn_Next->setVisible(false);
    Btn_Update->setVisible(true);
    // Kept for the next showing; written with the settings file.
    m_session.settings.Last_IP = typedAddress();
}

void TFBootTCP::Btn_UpdateClick()
{
    guarded(m_prompter, [this] {
        const Workspace& ws = m_session.ws;
        const EthernetUpdateJob job{typedAddress(),
                                    CB_Firmware->isChecked(),
                                    CB_Read_Firm->isChecked(),
                                    CB_Conf->isChecked(),
                                    CB_Read_Conf->isChecked(),
                                    ws.Master_Folder,
                                    ws.Conf_Folder};
        // A missing updater or firmware image would let the user believe the device
        // was updated: it is named, and nothing is written or started.
        if (const std::optional<MissingFile> missing = firstMissingFile(ethernetUpdateFiles(ws, job))) {
            m_prompter.error(missingFileText(m_session.messages, *missing));
            return;
        }
        writeEthernetJob(job, ethernetJobFile(ws));
        m_startProgram(ethernetUpdaterProgram(ws), QString(), false);
    });
}

bool TFBootTCP::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Period) {
        for (int i = 0; i < 3; ++i) {
            if (watched == E_IP[i]) {
                QLineEdit* next = E_IP[i + 1];
                if (next->isEnabled() && next->isVisible() && next->focusPolicy() != Qt::NoFocus)
                    next->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace px
