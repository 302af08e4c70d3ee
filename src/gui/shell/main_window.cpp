#include "gui/shell/main_window.h"

#include "core/base/error.h"
#include "core/base/product.h"
#include "core/check/check.h"
#include "core/config/configuration.h"
#include "core/image/compiler.h"
#include "core/lang/check_messages.h"
#include "core/options/version_check.h"
#include "core/platform/browser.h"
#include "core/platform/dialogs.h"
#include "core/platform/program_runner.h"
#include "core/platform/prompter.h"
#include "core/shell/session.h"
#include "core/update/updater_wait.h"
#include "gui/check/finding_target.h"
#include "gui/common/font_size.h"
#include "gui/common/guard.h"
#include "gui/common/title_band.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace px {

TFOrvaneaFirmWare::TFOrvaneaFirmWare(Session& session, Services services, QWidget* parent)
    : QWidget(parent), m_session(session), m_services(services)
{
    setObjectName(QStringLiteral("TFOrvaneaFirmWare"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(product::mainWindowTitle());

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);

    auto* band = new TitleBand(QStringLiteral("L_SW_Desc"), this);
    L_SW_Code = band->codeLabel();
    L_SW_Desc = band->descriptionLabel();
    L_SW_Desc->setText(product::kDescription);
    LL_Update = new QLabel(this);
    LL_Update->setObjectName(QStringLiteral("LL_Update"));
    LL_Update->setTextFormat(Qt::RichText);
    LL_Update->setStyleSheet(QStringLiteral("a { color: #ffd54f; }"));
    LL_Update->hide();
    connect(LL_Update, &QLabel::linkActivated, this, [this] {
        if (!m_updateTarget.isEmpty())
            m_services.browser.open(m_updateTarget);
    });
    band->rightSide()->addWidget(LL_Update);
    band->rightSide()->addSpacing(12);
    Btn_Info = bandButton("Btn_Info", QStyle::SP_MessageBoxInformation);
    Btn_Opz = bandButton("Btn_Opz", QStyle::SP_FileDialogDetailedView);
    Btn_Close = bandButton("Btn_Close", QStyle::SP_DialogCloseButton);
    band->rightSide()->addWidget(Btn_Info);
    band->rightSide()->addWidget(Btn_Opz);
    band->rightSide()->addWidget(Btn_Close);
    top->addWidget(band);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(16, 18, 16, 14);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(16);
    for (int i = 0; i < 9; ++i) {
        L_Step[i] = new QLabel(this);
        L_Step[i]->setObjectName(i == 0 ? QStringLiteral("L_Begin") : QStringLiteral("L_Step_%1").arg(i));
        QFont f = enlargedFont(L_Step[i]->font(), 2);
        f.setBold(true);
        L_Step[i]->setFont(f);
    }
    L_Begin = L_Step[0];

    auto* confBox = new QFrame(this);
    confBox->setObjectName(QStringLiteral("GB_Conf"));
    confBox->setFrameShape(QFrame::StyledPanel);
    auto* confLines = new QVBoxLayout(confBox);
    L_Name_Conf = new QLabel(confBox);
    L_Name_Conf->setObjectName(QStringLiteral("L_Name_Conf"));
    L_Name_Conf_L2 = new QLabel(confBox);
    L_Name_Conf_L2->setObjectName(QStringLiteral("L_Name_Conf_L2"));
    // A configuration name is shown as it stands, angle brackets included, never as markup.
    L_Name_Conf->setTextFormat(Qt::PlainText);
    L_Name_Conf_L2->setTextFormat(Qt::PlainText);
    QFont nameFont = L_Name_Conf_L2->font();
    nameFont.setBold(true);
    L_Name_Conf_L2->setFont(nameFont);
    confLines->addWidget(L_Name_Conf);
    confLines->addWidget(L_Name_Conf_L2);

    Btn_New = stepButton("Btn_New", QStyle::SP_FileIcon);
    Btn_Open = stepButton("Btn_Open", QStyle::SP_DirOpenIcon);
    Btn_Manage = stepButton("Btn_Manage", QStyle::SP_FileDialogNewFolder);
    Btn_Prm_Gen = stepButton("Btn_Prm_Gen", QStyle::SP_ComputerIcon);
    Btn_Receive_COB = stepButton("Btn_Receive_COB", QStyle::SP_ArrowDown);
    Btn_Rec_Define_COB = stepButton("Btn_Rec_Define_COB", QStyle::SP_FileDialogListView);
    Btn_Transmit_COB = stepButton("Btn_Transmit_COB", QStyle::SP_ArrowUp);
    Btn_Tra_Define_COB = stepButton("Btn_Tra_Define_COB", QStyle::SP_FileDialogListView);
    Btn_CreateBin = stepButton("Btn_CreateBin", QStyle::SP_DriveHDIcon);
    Btn_COB_Request = stepButton("Btn_COB_Request", QStyle::SP_FileDialogContentsView);
    Btn_COB_Setting = stepButton("Btn_COB_Setting", QStyle::SP_FileDialogContentsView);
    // Tests the active configuration with a Modbus TCP master before a device is flashed.
    Btn_Virtual_Converter = stepButton("Btn_Virtual_Converter", QStyle::SP_MediaPlay);
    Btn_Virtual_Converter->setText(QStringLiteral("Virtual Converter"));
    Btn_Virtual_Converter->setToolTip(QStringLiteral("Run the configuration as a virtual converter on this computer"));
    Btn_Virtual_Converter->setAccessibleName(QStringLiteral("Virtual Converter"));
    Btn_Register_Map = stepButton("Btn_Register_Map", QStyle::SP_FileDialogInfoView);

    L_Quarnel = new QLabel(this);
    L_Quarnel->setObjectName(QStringLiteral("L_Quarnel"));
    L_Quarnel->setTextFormat(Qt::RichText);
    L_Quarnel->setText(QStringLiteral("<a href=\"home\">%1</a>").arg(product::kWebDomain));
    L_Quarnel->setToolTip(product::kWebAddress);
    L_Quarnel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(L_Quarnel, &QLabel::linkActivated, this, [this] { m_services.browser.open(product::kHomePage); });

    grid->addWidget(L_Begin, 0, 0);
    grid->addWidget(confBox, 0, 1, 1, 3);
    grid->addWidget(L_Step[1], 1, 0);
    grid->addWidget(Btn_New, 1, 1);
    grid->addWidget(Btn_Open, 1, 2);
    grid->addWidget(Btn_Manage, 1, 3, Qt::AlignLeft);
    grid->addWidget(L_Step[2], 2, 0);
    grid->addWidget(Btn_Prm_Gen, 2, 1);
    grid->addWidget(L_Step[3], 3, 0);
    grid->addWidget(Btn_Receive_COB, 3, 1);
    grid->addWidget(Btn_Rec_Define_COB, 3, 2);
    grid->addWidget(L_Step[4], 4, 0);
    grid->addWidget(Btn_Transmit_COB, 4, 1);
    grid->addWidget(Btn_Tra_Define_COB, 4, 2);
    grid->addWidget(L_Step[5], 5, 0);
    grid->addWidget(Btn_CreateBin, 5, 1);
    grid->addWidget(Btn_Virtual_Converter, 5, 2);
    // Beside the mapping editors, whose result it shows.
    grid->addWidget(Btn_Register_Map, 4, 3, Qt::AlignLeft);
    grid->addWidget(L_Quarnel, 5, 3, Qt::AlignRight | Qt::AlignBottom);
    grid->setColumnStretch(3, 1);
    top->addLayout(grid);

    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("Separator"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    top->addWidget(separator);
    top->addStretch(1);

    // Steps 6 to 8 exist with their texts and dispatch but are never shown.
    for (int i = 6; i <= 8; ++i)
        L_Step[i]->hide();
    Btn_COB_Request->hide();
    Btn_COB_Setting->hide();

    setFixedSize(694, 440);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Timer_Update = new QTimer(this);
    Timer_Update->setObjectName(QStringLiteral("Timer_Update"));
    Timer_Update->setInterval(60000);
    connect(Timer_Update, &QTimer::timeout, this, &TFOrvaneaFirmWare::Timer_UpdateTimer);
    applyVersionCheckTimer();

    Set_Lang();
    showConfigurationBox();
}

void TFOrvaneaFirmWare::applyVersionCheckTimer()
{
    // A running timer goes on with its countdown and interval: starting it again would
    // postpone the next check each time the options are confirmed.
    if (!m_session.settings.versionCheckEnabled())
        Timer_Update->stop();
    else if (!Timer_Update->isActive())
        Timer_Update->start();
}

void TFOrvaneaFirmWare::Timer_UpdateTimer()
{
    Timer_Update->stop();
    if (m_checkVersion && m_checkVersion()) {
        showUpdateLink(downloadPageUrl());
    } else {
        LL_Update->hide();
        m_updateTarget.clear();
    }
    // The first check comes a minute after start, the next ones every two hours.
    Timer_Update->setInterval(7200000);
    Timer_Update->start();
}

QPushButton* TFOrvaneaFirmWare::stepButton(const char* name, QStyle::StandardPixmap icon)
{
    auto* b = new QPushButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(style()->standardIcon(icon));
    b->setIconSize(QSize(24, 24));
    b->setMinimumSize(180, 40);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, b] { Btn_COB_RequestClick(b); });
    return b;
}

QToolButton* TFOrvaneaFirmWare::bandButton(const char* name, QStyle::StandardPixmap icon)
{
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(style()->standardIcon(icon));
    b->setIconSize(QSize(28, 28));
    b->setAutoRaise(true);
    connect(b, &QToolButton::clicked, this, [this, b] { Btn_COB_RequestClick(b); });
    return b;
}

void TFOrvaneaFirmWare::Set_Lang()
{
    const MessageTable& m = m_session.messages;
    for (int i = 0; i < 9; ++i)
        L_Step[i]->setText(m[i]);
    Btn_Info->setToolTip(m[12]);
    Btn_Opz->setToolTip(m[13]);
    Btn_Close->setToolTip(m[14]);
    Btn_Info->setAccessibleName(m[12]);
    Btn_Opz->setAccessibleName(m[13]);
    Btn_Close->setAccessibleName(m[14]);
    const std::pair<QPushButton*, std::pair<int, int>> captions[] = {
        {Btn_New, {15, 253}},          {Btn_Open, {16, 254}},          {Btn_CreateBin, {17, 255}},
        {Btn_Prm_Gen, {20, 256}},      {Btn_Receive_COB, {21, 257}},   {Btn_Rec_Define_COB, {22, 258}},
        {Btn_Transmit_COB, {23, 259}}, {Btn_Tra_Define_COB, {24, 260}}, {Btn_COB_Request, {251, 261}},
        {Btn_COB_Setting, {252, 262}},
    };
    for (const auto& [button, texts] : captions) {
        button->setText(m[texts.first]);
        button->setToolTip(m[texts.second]);
    }
    Btn_Register_Map->setText(m[msg::kRegisterMapButton]);
    Btn_Register_Map->setToolTip(m[msg::kRegisterMapHint]);
    Btn_Register_Map->setAccessibleName(m[msg::kRegisterMapButton]);
    // Managing configurations has its texts in English only.
    Btn_Manage->setText(QStringLiteral("Manage Configurations"));
    Btn_Manage->setToolTip(QStringLiteral("Duplicate, rename, delete, export or import configurations"));
    if (!LL_Update->isHidden())
        LL_Update->setText(updateLinkText(m[19].toHtmlEscaped()));
}

void TFOrvaneaFirmWare::Change_Language()
{
    Set_Lang();
    m_services.dialogs.changeLanguage();
}

void TFOrvaneaFirmWare::showConfigurationBox()
{
    L_Name_Conf->setText(m_session.confBoxLine1());
    L_Name_Conf_L2->setText(m_session.confBoxLine2());
}

void TFOrvaneaFirmWare::showUpdateLink(const QString& target)
{
    m_updateTarget = target;
    LL_Update->setText(updateLinkText(m_session.messages[19].toHtmlEscaped()));
    LL_Update->show();
}

void TFOrvaneaFirmWare::Btn_COB_RequestClick(QObject* sender)
{
    Prompter& prompter = m_services.prompter;
    Dialogs& dialogs = m_services.dialogs;
    guarded(prompter, [&] {
        if (sender == Btn_New)
            return Create_New_Project();
        if (sender == Btn_Open)
            return Open_Project();
        if (sender == Btn_Manage)
            return Manage_Projects();
        if (sender == Btn_Close) {
            close();
            return;
        }
        if (sender == Btn_Info) {
            dialogs.show(Window::About);
            return;
        }
        if (sender == Btn_Opz) {
            if (dialogs.show(Window::SoftOptions)) {
                applyVersionCheckTimer();
                m_session.saveSettings();
            }
            return;
        }
        if (!m_session.ws.hasActiveConfiguration()) {
            prompter.error(m_session.messages[18]);
            return;
        }
        if (sender == Btn_Prm_Gen)
            dialogs.show(Window::ParGen);
        else if (sender == Btn_Receive_COB)
            dialogs.show(Select_Type_318(m_session.ws) == 1 ? Window::ReceiveFramesDip : Window::ReceiveFramesJumper);
        else if (sender == Btn_Rec_Define_COB)
            dialogs.show(Window::DefineReceive);
        else if (sender == Btn_Transmit_COB)
            dialogs.show(Select_Type_318(m_session.ws) == 1 ? Window::TransmitFramesDip : Window::TransmitFramesJumper);
        else if (sender == Btn_Tra_Define_COB)
            dialogs.show(Window::DefineTransmit);
        else if (sender == Btn_COB_Request)
            dialogs.show(Window::CobRequest);
        else if (sender == Btn_COB_Setting)
            dialogs.show(Window::CobSetting);
        else if (sender == Btn_CreateBin)
            Update_Device();
        else if (sender == Btn_Virtual_Converter)
            dialogs.show(Window::VirtualConverter);
        else if (sender == Btn_Register_Map)
            dialogs.show(Window::RegisterMap);
    });
}

void TFOrvaneaFirmWare::Create_New_Project()
{
    if (m_services.dialogs.show(Window::NewProject))
        showConfigurationBox();
}

void TFOrvaneaFirmWare::Open_Project()
{
    // The Open dialog's OK activates its choice (none when the list was empty).
    if (m_services.dialogs.show(Window::OpenConf))
        showConfigurationBox();
}

bool TFOrvaneaFirmWare::reviewBeforeUpdate()
{
    // A configuration that the model cannot read is left to the compile, which names the
    // cause in its own words, as it always did.
    config::Configuration configuration;
    try {
        configuration = config::readConfiguration(m_session.ws.Conf_Folder);
    } catch (const Error&) {
        return true;
    }
    const std::vector<check::Finding> findings = check::check(configuration);
    if (findings.empty())
        return true;
    const FindingsAnswer answer = m_services.dialogs.reviewFindings(findings);
    if (answer.choice == FindingsAnswer::Choice::Continue)
        return true;
    if (answer.choice == FindingsAnswer::Choice::Open && answer.index >= 0
        && answer.index < static_cast<int>(findings.size())) {
        const EditorTarget target = editorTargetFor(findings[static_cast<std::size_t>(answer.index)], configuration,
                                                    Select_Type_318(m_session.ws));
        m_services.dialogs.showAt(target.window, target.row);
    }
    return false;
}

void TFOrvaneaFirmWare::Manage_Projects()
{
    // A rename or a delete may have changed what the configuration box shows.
    m_services.dialogs.show(Window::ManageConf);
    showConfigurationBox();
}

void TFOrvaneaFirmWare::Update_Device()
{
    if (!reviewBeforeUpdate())
        return;
    // All four images are built in memory and written whole before any update dialog
    // opens; a failure throws to the general error report and opens nothing.
    image::compileAndWriteImages(m_session.ws.Conf_Folder);
    const Window update = Select_Type_318(m_session.ws) == 1 ? Window::EthernetUpdate : Window::SerialUpdate;
    m_services.dialogs.show(update);
}

void TFOrvaneaFirmWare::Start_Program(const QString& NomeSW, const QString& Parameter, bool tipo)
{
    // The windows stay painted while the program runs, but take no input. Disabling
    // takes the keyboard focus away; it goes back where it was afterwards.
    const QPointer<QWidget> focus = QApplication::focusWidget();
    QWidget* over = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    QList<QPointer<QWidget>> disabled;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->isEnabled()) {
            w->setEnabled(false);
            disabled.append(w);
        }
    }

    // A small panel of its own, above the disabled windows, says which program runs and
    // how long the wait may still last.
    QFrame panel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    panel.setObjectName(QStringLiteral("ProgramWaitPanel"));
    panel.setAttribute(Qt::WA_ShowWithoutActivating);
    panel.setFrameShape(QFrame::Box);
    auto* layout = new QVBoxLayout(&panel);
    layout->setContentsMargins(16, 12, 16, 12);
    auto* waitText = new QLabel(&panel);
    waitText->setObjectName(QStringLiteral("L_Program_Wait"));
    waitText->setTextFormat(Qt::PlainText);
    waitText->setAlignment(Qt::AlignCenter);
    layout->addWidget(waitText);
    const auto showSecondsLeft = [&](int secondsLeft) {
        waitText->setText(updaterRunningText(m_session.messages, NomeSW, secondsLeft));
        waitText->setAccessibleName(waitText->text());
        if (!panel.isVisible()) {
            panel.adjustSize();
            panel.move(over->frameGeometry().center() - panel.rect().center());
            panel.show();
        }
    };

    const ProgramRunner::Outcome outcome = m_services.runner.run(NomeSW, Parameter, tipo, showSecondsLeft);
    panel.hide();
    for (const QPointer<QWidget>& w : disabled) {
        if (w)
            w->setEnabled(true);
    }
    if (focus && focus->isEnabled() && focus->isVisible())
        focus->setFocus();

    // How the wait ended: the user must know whether the updater finished its work.
    const QString said = updaterOutcomeText(m_session.messages, NomeSW, outcome, m_services.runner.waitLimit());
    if (outcome == ProgramRunner::Outcome::Ended)
        m_services.prompter.information(said);
    else
        m_services.prompter.error(said);
}

void TFOrvaneaFirmWare::keyPressEvent(QKeyEvent* event)
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

void TFOrvaneaFirmWare::closeEvent(QCloseEvent* event)
{
    guarded(m_services.prompter, [this] { m_session.saveSettings(); });
    event->accept();
}

} // namespace px
