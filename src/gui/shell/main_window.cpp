#include "gui/shell/main_window.h"

#include "core/base/error.h"
#include "core/base/product.h"
#include "core/check/check.h"
#include "core/config/configuration.h"
#include "core/config/general_parameters.h"
#include "core/config/signal_table.h"
#include "core/image/compiler.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "core/options/version_check.h"
#include "core/services/browser.h"
#include "gui/common/dialogs.h"
#include "core/services/program_runner.h"
#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "core/update/updater_wait.h"
#include "gui/check/finding_target.h"
#include "gui/common/font_size.h"
#include "gui/common/guard.h"
#include "gui/common/screen_fit.h"
#include "gui/common/standard_icon.h"
#include "gui/common/title_band.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace px {

MainWindow::MainWindow(Session& session, Services services, QWidget* parent)
    : QWidget(parent), m_session(session), m_services(services)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(product::mainWindowTitle());

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);

    auto* band = new TitleBand(QStringLiteral("descriptionLabel"), this);
    m_codeLabel = band->codeLabel();
    m_descriptionLabel = band->descriptionLabel();
    m_descriptionLabel->setText(product::kDescription);
    m_updateLink = new QLabel(this);
    m_updateLink->setObjectName(QStringLiteral("updateLink"));
    m_updateLink->setTextFormat(Qt::RichText);
    m_updateLink->setStyleSheet(QStringLiteral("a { color: #ffd54f; }"));
    m_updateLink->hide();
    connect(m_updateLink, &QLabel::linkActivated, this, [this] {
        if (!m_updateTarget.isEmpty())
            m_services.browser.open(m_updateTarget);
    });
    band->rightSide()->addWidget(m_updateLink);
    band->rightSide()->addSpacing(12);
    m_infoButton = bandButton("aboutButton", QStyle::SP_MessageBoxInformation);
    m_optionsButton = bandButton("optionsButton", QStyle::SP_FileDialogDetailedView);
    m_closeButton = bandButton("closeButton", QStyle::SP_DialogCloseButton);
    band->rightSide()->addWidget(m_infoButton);
    band->rightSide()->addWidget(m_optionsButton);
    band->rightSide()->addWidget(m_closeButton);
    top->addWidget(band);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(16, 18, 16, 14);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(16);
    for (int i = 0; i < 6; ++i) {
        m_stepLabels[i] = new QLabel(this);
        m_stepLabels[i]->setObjectName(i == 0 ? QStringLiteral("beginLabel") : QStringLiteral("stepLabel%1").arg(i));
        QFont f = enlargedFont(m_stepLabels[i]->font(), 2);
        f.setBold(true);
        m_stepLabels[i]->setFont(f);
    }
    m_beginLabel = m_stepLabels[0];

    auto* confBox = new QFrame(this);
    confBox->setObjectName(QStringLiteral("configurationBox"));
    confBox->setFrameShape(QFrame::StyledPanel);
    auto* confLines = new QVBoxLayout(confBox);
    m_configurationCaption = new QLabel(confBox);
    m_configurationCaption->setObjectName(QStringLiteral("configurationCaption"));
    m_configurationName = new QLabel(confBox);
    m_configurationName->setObjectName(QStringLiteral("configurationNameLabel"));
    // A configuration name is shown as it stands, angle brackets included, never as markup.
    m_configurationCaption->setTextFormat(Qt::PlainText);
    m_configurationName->setTextFormat(Qt::PlainText);
    QFont nameFont = m_configurationName->font();
    nameFont.setBold(true);
    m_configurationName->setFont(nameFont);
    confLines->addWidget(m_configurationCaption);
    confLines->addWidget(m_configurationName);

    m_newButton = stepButton("newButton", QStyle::SP_FileIcon);
    m_openButton = stepButton("openButton", QStyle::SP_DirOpenIcon);
    m_manageButton = stepButton("manageButton", QStyle::SP_FileDialogNewFolder);
    m_communicationButton = stepButton("communicationButton", QStyle::SP_ComputerIcon);
    m_receiveFramesButton = stepButton("receiveFramesButton", QStyle::SP_ArrowDown);
    m_receiveMappingButton = stepButton("receiveMappingButton", QStyle::SP_FileDialogListView);
    m_transmitFramesButton = stepButton("transmitFramesButton", QStyle::SP_ArrowUp);
    m_transmitMappingButton = stepButton("transmitMappingButton", QStyle::SP_FileDialogListView);
    m_updateDeviceButton = stepButton("updateDeviceButton", QStyle::SP_DriveHDIcon);
    // Tests the active configuration with a Modbus TCP master before a device is flashed.
    m_virtualConverterButton = stepButton("virtualConverterButton", QStyle::SP_MediaPlay);
    m_registerMapButton = stepButton("registerMapButton", QStyle::SP_FileDialogInfoView);
    // Compares the real bus and the flashed device with the configuration.
    m_monitorButton = stepButton("monitorButton", QStyle::SP_FileDialogContentsView);

    m_homePageLink = new QLabel(this);
    m_homePageLink->setObjectName(QStringLiteral("homePageLink"));
    m_homePageLink->setTextFormat(Qt::RichText);
    m_homePageLink->setText(QStringLiteral("<a href=\"home\">%1</a>").arg(product::kWebDomain));
    m_homePageLink->setToolTip(product::kWebAddress);
    m_homePageLink->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(m_homePageLink, &QLabel::linkActivated, this, [this] { m_services.browser.open(product::kHomePage); });

    grid->addWidget(m_beginLabel, 0, 0);
    grid->addWidget(confBox, 0, 1, 1, 3);
    grid->addWidget(m_stepLabels[1], 1, 0);
    grid->addWidget(m_newButton, 1, 1);
    grid->addWidget(m_openButton, 1, 2);
    grid->addWidget(m_manageButton, 1, 3, Qt::AlignLeft);
    grid->addWidget(m_stepLabels[2], 2, 0);
    grid->addWidget(m_communicationButton, 2, 1);
    grid->addWidget(m_stepLabels[3], 3, 0);
    grid->addWidget(m_receiveFramesButton, 3, 1);
    grid->addWidget(m_receiveMappingButton, 3, 2);
    grid->addWidget(m_stepLabels[4], 4, 0);
    grid->addWidget(m_transmitFramesButton, 4, 1);
    grid->addWidget(m_transmitMappingButton, 4, 2);
    grid->addWidget(m_stepLabels[5], 5, 0);
    grid->addWidget(m_updateDeviceButton, 5, 1);
    grid->addWidget(m_virtualConverterButton, 5, 2);
    // Beside the mapping editors, whose result it shows.
    grid->addWidget(m_registerMapButton, 4, 3, Qt::AlignLeft);
    grid->addWidget(m_monitorButton, 3, 3, Qt::AlignLeft);
    grid->addWidget(m_homePageLink, 5, 3, Qt::AlignRight | Qt::AlignBottom);
    grid->setColumnStretch(3, 1);
    top->addLayout(grid);

    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("separatorLine"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    top->addWidget(separator);
    top->addStretch(1);

    m_versionCheckTimer = new QTimer(this);
    m_versionCheckTimer->setObjectName(QStringLiteral("versionCheckTimer"));
    m_versionCheckTimer->setInterval(60000);
    connect(m_versionCheckTimer, &QTimer::timeout, this, &MainWindow::checkForNewVersion);
    applyVersionCheckTimer();

    connectButtons();
    applyLanguage();
    showConfigurationBox();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    claimActiveConfiguration();
}

void MainWindow::claimActiveConfiguration()
{
    if (m_session.claimActiveConfiguration())
        return;
    m_services.prompter.information(m_session.messages[msg::kOpenInAnotherInstance]
                                        .arg(m_session.ws.activeFolderName(), m_session.lock.holderText()));
}

void MainWindow::applyVersionCheckTimer()
{
    // A running timer goes on with its countdown and interval: starting it again would
    // postpone the next check each time the options are confirmed.
    if (!m_session.settings.versionCheckEnabled())
        m_versionCheckTimer->stop();
    else if (!m_versionCheckTimer->isActive())
        m_versionCheckTimer->start();
}

void MainWindow::checkForNewVersion()
{
    m_versionCheckTimer->stop();
    if (m_checkVersion && m_checkVersion()) {
        showUpdateLink(downloadPageUrl());
    } else {
        m_updateLink->hide();
        m_updateTarget.clear();
    }
    // The first check comes a minute after start, the next ones every two hours.
    m_versionCheckTimer->setInterval(7200000);
    m_versionCheckTimer->start();
}

QPushButton* MainWindow::stepButton(const char* name, QStyle::StandardPixmap icon)
{
    auto* b = new QPushButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(standardButtonIcon(*style(), icon));
    b->setIconSize(QSize(24, 24));
    b->setMinimumSize(180, 40);
    b->setAutoDefault(false);
    return b;
}

QToolButton* MainWindow::bandButton(const char* name, QStyle::StandardPixmap icon)
{
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(standardButtonIcon(*style(), icon));
    b->setIconSize(QSize(28, 28));
    b->setAutoRaise(true);
    return b;
}

void MainWindow::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    const int stepTexts[] = {msg::kMainBegin, msg::kMainStep1, msg::kMainStep2,
                             msg::kMainStep3, msg::kMainStep4, msg::kMainStep5};
    for (int i = 0; i < 6; ++i)
        m_stepLabels[i]->setText(m[stepTexts[i]]);
    const std::pair<QToolButton*, int> bandTexts[] = {
        {m_infoButton, msg::kMainInformation},
        {m_optionsButton, msg::kMainOptions},
        {m_closeButton, msg::kMainCloseConfigurator},
    };
    for (const auto& [button, text] : bandTexts) {
        button->setToolTip(m[text]);
        button->setAccessibleName(m[text]);
    }
    struct Caption {
        QPushButton* button;
        int text;
        int hint;
    };
    const Caption captions[] = {
        {m_newButton, msg::kMainNewConfiguration, msg::kMainNewConfigurationHint},
        {m_openButton, msg::kMainOpenConfiguration, msg::kMainOpenConfigurationHint},
        {m_updateDeviceButton, msg::kMainUpdateDevice, msg::kMainUpdateDeviceHint},
        {m_communicationButton, msg::kMainSetCommunication, msg::kMainSetCommunicationHint},
        {m_receiveFramesButton, msg::kMainReceiveFrames, msg::kMainReceiveFramesHint},
        {m_receiveMappingButton, msg::kMainReceiveMapping, msg::kMainReceiveMappingHint},
        {m_transmitFramesButton, msg::kMainTransmitFrames, msg::kMainTransmitFramesHint},
        {m_transmitMappingButton, msg::kMainTransmitMapping, msg::kMainTransmitMappingHint},
        {m_registerMapButton, msg::kRegisterMapButton, msg::kRegisterMapHint},
        {m_monitorButton, msg::kMonitorButton, msg::kMonitorButtonHint},
        {m_virtualConverterButton, msg::kConverterButton, msg::kConverterButtonHint},
        {m_manageButton, msg::kManageTitle, msg::kManageButtonHint},
    };
    for (const Caption& c : captions) {
        c.button->setText(m[c.text]);
        c.button->setToolTip(m[c.hint]);
    }
    m_registerMapButton->setAccessibleName(m[msg::kRegisterMapButton]);
    m_monitorButton->setAccessibleName(m[msg::kMonitorButton]);
    m_virtualConverterButton->setAccessibleName(m[msg::kConverterButton]);
    if (!m_updateLink->isHidden())
        m_updateLink->setText(updateLinkText(m[msg::kMainNewVersionAvailable].toHtmlEscaped()));
    // A fixed size, as always, but the one the texts of the language need: no caption is
    // clipped, and in English the window keeps its 694 x 440 pixels.
    fixSizeToContent(*this, QSize(694, 440));
}

void MainWindow::changeLanguage()
{
    applyLanguage();
    m_services.dialogs.changeLanguage();
}

void MainWindow::showConfigurationBox()
{
    m_configurationCaption->setText(m_session.confBoxLine1());
    m_configurationName->setText(m_session.confBoxLine2());
}

void MainWindow::showUpdateLink(const QString& target)
{
    m_updateTarget = target;
    m_updateLink->setText(updateLinkText(m_session.messages[msg::kMainNewVersionAvailable].toHtmlEscaped()));
    m_updateLink->show();
}

void MainWindow::onClick(QAbstractButton* button, std::function<void()> action)
{
    connect(button, &QAbstractButton::clicked, this,
            [this, action = std::move(action)] { guarded(m_services.prompter, m_session.messages, action); });
}

void MainWindow::onClickWithConfiguration(QAbstractButton* button, std::function<void()> action)
{
    onClick(button, [this, action = std::move(action)] {
        if (!m_session.ws.hasActiveConfiguration()) {
            m_services.prompter.error(m_session.messages[msg::kMainConfigurationNotValid]);
            return;
        }
        action();
    });
}

void MainWindow::connectButtons()
{
    Dialogs& dialogs = m_services.dialogs;
    onClick(m_newButton, [this] { newConfiguration(); });
    onClick(m_openButton, [this] { openConfiguration(); });
    onClick(m_manageButton, [this] { manageConfigurations(); });
    onClick(m_closeButton, [this] { close(); });
    onClick(m_infoButton, [&dialogs] { dialogs.show(Window::About); });
    onClick(m_optionsButton, [this] { showOptions(); });
    onClickWithConfiguration(m_communicationButton, [&dialogs] { dialogs.show(Window::CommunicationSettings); });
    onClickWithConfiguration(m_receiveFramesButton, [this, &dialogs] { dialogs.show(framesEditor(false)); });
    onClickWithConfiguration(m_receiveMappingButton, [&dialogs] { dialogs.show(Window::ReceiveMapping); });
    onClickWithConfiguration(m_transmitFramesButton, [this, &dialogs] { dialogs.show(framesEditor(true)); });
    onClickWithConfiguration(m_transmitMappingButton, [&dialogs] { dialogs.show(Window::TransmitMapping); });
    onClickWithConfiguration(m_updateDeviceButton, [this] { updateDevice(); });
    onClickWithConfiguration(m_virtualConverterButton, [&dialogs] { dialogs.show(Window::VirtualConverter); });
    onClickWithConfiguration(m_registerMapButton, [&dialogs] { dialogs.show(Window::RegisterMap); });
    onClickWithConfiguration(m_monitorButton, [&dialogs] { dialogs.show(Window::Monitor); });
}

Window MainWindow::framesEditor(bool transmit) const
{
    // Any device type but the dip-switch device's is the jumper device's, as it always was.
    const bool dip = m_session.activeDeviceType() == kDipSwitchDevice;
    if (transmit)
        return dip ? Window::TransmitFramesDip : Window::TransmitFramesJumper;
    return dip ? Window::ReceiveFramesDip : Window::ReceiveFramesJumper;
}

void MainWindow::showOptions()
{
    if (m_services.dialogs.show(Window::SoftwareOptions)) {
        applyVersionCheckTimer();
        m_session.saveSettings();
    }
}

void MainWindow::newConfiguration()
{
    if (m_services.dialogs.show(Window::NewConfiguration)) {
        showConfigurationBox();
        claimActiveConfiguration();
    }
}

void MainWindow::openConfiguration()
{
    // The Open dialog's OK activates its choice (none when the list was empty).
    if (m_services.dialogs.show(Window::OpenConfiguration)) {
        showConfigurationBox();
        claimActiveConfiguration();
    }
}

bool MainWindow::reviewBeforeUpdate()
{
    // A configuration that the model cannot read is left to the compile, which names the
    // cause in its own words, as it always did.
    config::Configuration configuration;
    try {
        configuration = m_session.activeConfiguration();
    } catch (const Error&) {
        return true;
    }
    // The signal file adds what the CAN database said of the frames (their cycle times), as
    // `px40318 check` reads it. The device never sees that file: one that cannot be read
    // stops no update, the check then goes without it.
    const std::vector<check::Finding> findings =
        check::check(configuration, config::loadSignalTableIfReadable(m_session.ws.configurationFolder));
    if (findings.empty())
        return true;
    const FindingsAnswer answer = m_services.dialogs.reviewFindings(findings);
    if (answer.choice == FindingsAnswer::Choice::Continue)
        return true;
    if (answer.choice == FindingsAnswer::Choice::Open && answer.index >= 0
        && answer.index < static_cast<int>(findings.size())) {
        const EditorTarget target = editorTargetFor(findings[static_cast<std::size_t>(answer.index)], configuration,
                                                    m_session.activeDeviceType());
        m_services.dialogs.showAt(target.window, target.row);
    }
    return false;
}

void MainWindow::manageConfigurations()
{
    // A rename or a delete may have changed what the configuration box shows.
    const QString before = m_session.ws.configurationFolder;
    m_services.dialogs.show(Window::ManageConfigurations);
    showConfigurationBox();
    if (m_session.ws.configurationFolder != before)
        claimActiveConfiguration();
}

void MainWindow::updateDevice()
{
    if (!reviewBeforeUpdate())
        return;
    // All four images are built in memory and written whole before any update dialog
    // opens; a failure throws to the general error report and opens nothing.
    image::compileAndWriteImages(m_session.ws.configurationFolder);
    const Window update = m_session.activeDeviceType() == kDipSwitchDevice ? Window::EthernetUpdate : Window::SerialUpdate;
    m_services.dialogs.show(update);
}

namespace {

// The panel shown while an external program runs: above the disabled windows, the only
// one that takes input (application modal, so questions asked from it have an enabled
// owner and no other window can be closed meanwhile). Escape and its Cancel button ask
// to end the program.
class ProgramWaitPanel final : public QDialog {
public:
    explicit ProgramWaitPanel(std::function<void()> onCancel)
        : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
          m_onCancel(std::move(onCancel))
    {
    }
    void reject() override { m_onCancel(); }

private:
    std::function<void()> m_onCancel;
};

} // namespace

ProgramRunner::Result MainWindow::startProgram(const QString& program, const QString& parameters, bool hidden)
{
    // The windows stay painted while the program runs, but take no input. Disabling
    // takes the keyboard focus away; it goes back where it was afterwards.
    const QPointer<QWidget> focus = QApplication::focusWidget();
    const QPointer<QWidget> over = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    QList<QPointer<QWidget>> disabled;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->isEnabled()) {
            w->setEnabled(false);
            disabled.append(w);
        }
    }
    // Whatever happens during the wait (a window closed, an error thrown), every window
    // disabled here is enabled again.
    const auto enableAgain = qScopeGuard([&disabled] {
        for (const QPointer<QWidget>& w : disabled) {
            if (w)
                w->setEnabled(true);
        }
    });

    // A small panel of its own, above the disabled windows, says which program runs and
    // how long the wait may still last, and offers to end it.
    bool asking = false;
    const auto askToCancel = [&] {
        if (asking)
            return;
        asking = true;
        if (m_services.prompter.yesNo(updaterCancelQuestion(m_session.messages, program)))
            m_services.runner.cancel();
        asking = false;
    };
    ProgramWaitPanel panel(askToCancel);
    panel.setObjectName(QStringLiteral("programWaitPanel"));
    panel.setWindowModality(Qt::ApplicationModal);
    panel.setWindowTitle(QFileInfo(program).fileName());
    auto* frame = new QFrame(&panel);
    frame->setFrameShape(QFrame::Box);
    auto* outer = new QVBoxLayout(&panel);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(16, 12, 16, 12);
    auto* waitText = new QLabel(frame);
    waitText->setObjectName(QStringLiteral("programWaitLabel"));
    waitText->setTextFormat(Qt::PlainText);
    waitText->setAlignment(Qt::AlignCenter);
    layout->addWidget(waitText);
    auto* cancel = new QPushButton(m_session.messages[msg::kUpdaterCancelButton], frame);
    cancel->setObjectName(QStringLiteral("cancelWaitButton"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, &panel, askToCancel);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    const auto showSecondsLeft = [&](int secondsLeft) {
        waitText->setText(updaterRunningText(m_session.messages, program, secondsLeft));
        waitText->setAccessibleName(waitText->text());
        if (!panel.isVisible()) {
            panel.adjustSize();
            QWidget* centre = over ? over.data() : this;
            panel.move(centre->frameGeometry().center() - panel.rect().center());
            panel.show();
        }
    };

    ProgramRunner::Request request;
    request.program = program;
    request.parameters = parameters;
    request.hidden = hidden;
    // The updaters and the Ethernet job file lie in the home folder; an updater that
    // reads its job from its working folder finds it there.
    request.workingFolder = m_session.ws.homeFolder;
    const ProgramRunner::Result result = m_services.runner.run(request, showSecondsLeft);
    panel.hide();
    for (const QPointer<QWidget>& w : disabled) {
        if (w)
            w->setEnabled(true);
    }
    if (focus && focus->isEnabled() && focus->isVisible())
        focus->setFocus();

    // How the wait ended: the user must know whether the updater finished its work.
    const UpdaterEndMessage said = updaterEndMessage(m_session.messages, program, result, m_services.runner.waitLimit());
    m_services.prompter.report(said.icon, said.text, said.details);
    return result;
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the focused step or title-band button, as Space does: the buttons of a
    // plain window leave Enter to the window.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !event->isAutoRepeat()) {
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget()); button && isAncestorOf(button)) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    guarded(m_services.prompter, m_session.messages, [this] { m_session.saveSettings(); });
    event->accept();
}

} // namespace px
