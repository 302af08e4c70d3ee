#include "gui/options/soft_options_dialog.h"

#include "core/lang/message_ids.h"
#include "core/options/language_list.h"
#include "core/options/version_check.h"
#include "core/services/browser.h"
#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/screen_fit.h"
#include "gui/common/title_band.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace px {

namespace {

// The flag of the built-in English: the Union Flag, drawn, so that it needs no file.
QPixmap builtInEnglishFlag()
{
    const QRectF flag(0, 9, 48, 30);
    QPixmap picture(48, 48);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(flag);
    p.fillRect(flag, QColor(0x01, 0x21, 0x69));
    const QLineF diagonals[] = {{flag.topLeft(), flag.bottomRight()}, {flag.bottomLeft(), flag.topRight()}};
    p.setPen(QPen(Qt::white, 6));
    for (const QLineF& d : diagonals)
        p.drawLine(d);
    p.setPen(QPen(QColor(0xC8, 0x10, 0x2E), 2));
    for (const QLineF& d : diagonals)
        p.drawLine(d);
    p.fillRect(QRectF(19, 9, 10, 30), Qt::white);
    p.fillRect(QRectF(0, 19, 48, 10), Qt::white);
    p.fillRect(QRectF(21, 9, 6, 30), QColor(0xC8, 0x10, 0x2E));
    p.fillRect(QRectF(0, 21, 48, 6), QColor(0xC8, 0x10, 0x2E));
    return picture;
}

} // namespace

SoftwareOptionsDialog::SoftwareOptionsDialog(Session& session, Services services, QWidget* parent)
    : QDialog(parent), m_session(session), m_services(std::move(services))
{
    setObjectName(QStringLiteral("optionsDialog"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("descriptionLabel"), this);
    top->addWidget(m_band);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("optionTabs"));

    // Language page: six slots, three to a column, with paging below.
    m_languageTab = new QWidget(m_tabs);
    m_languageTab->setObjectName(QStringLiteral("languageTab"));
    auto* lang = new QVBoxLayout(m_languageTab);
    m_selectedLanguage = new QLabel(m_languageTab);
    m_selectedLanguage->setObjectName(QStringLiteral("selectedLanguageLabel"));
    lang->addWidget(m_selectedLanguage);
    auto* slots = new QGridLayout;
    for (int k = 0; k < 6; ++k) {
        m_flags[k] = new QLabel(m_languageTab);
        m_flags[k]->setObjectName(QStringLiteral("languageFlag%1").arg(k + 1));
        m_flags[k]->setFixedSize(48, 48);
        m_flags[k]->setScaledContents(true);
        m_flags[k]->setCursor(Qt::PointingHandCursor);
        m_flags[k]->installEventFilter(this);
        m_languageNames[k] = new QLabel(m_languageTab);
        m_languageNames[k]->setObjectName(QStringLiteral("languageName%1").arg(k + 1));
        m_languageNames[k]->setCursor(Qt::PointingHandCursor);
        m_languageNames[k]->setFocusPolicy(Qt::StrongFocus); // Space or Enter on a name chooses it too
        m_languageNames[k]->installEventFilter(this);
        const int column = k < 3 ? 0 : 2;
        slots->addWidget(m_flags[k], k % 3, column);
        slots->addWidget(m_languageNames[k], k % 3, column + 1);
    }
    slots->setColumnStretch(1, 1);
    slots->setColumnStretch(3, 1);
    for (int row = 0; row < 3; ++row)
        slots->setRowMinimumHeight(row, 52); // a flag's height, with or without the flag
    lang->addSpacing(8);
    lang->addLayout(slots);
    lang->addStretch(1);
    auto* paging = new QHBoxLayout;
    m_previousPage = new QPushButton(m_languageTab);
    m_previousPage->setObjectName(QStringLiteral("previousButton"));
    m_nextPage = new QPushButton(m_languageTab);
    m_nextPage->setObjectName(QStringLiteral("nextButton"));
    m_pageLabel = new QLabel(m_languageTab);
    m_pageLabel->setObjectName(QStringLiteral("languagePageLabel"));
    m_pageLabel->setAlignment(Qt::AlignCenter);
    paging->addWidget(m_previousPage);
    paging->addWidget(m_pageLabel, 1);
    paging->addWidget(m_nextPage);
    lang->addLayout(paging);
    connect(m_previousPage, &QPushButton::clicked, this, [this] { turnLanguagePage(false); });
    connect(m_nextPage, &QPushButton::clicked, this, [this] { turnLanguagePage(true); });

    // Connection page.
    m_connectionTab = new QWidget(m_tabs);
    m_connectionTab->setObjectName(QStringLiteral("connectionTab"));
    auto* con = new QVBoxLayout(m_connectionTab);
    m_enableInternet = new QCheckBox(m_connectionTab);
    m_enableInternet->setObjectName(QStringLiteral("internetEnabledCheck"));
    m_checkAtStart = new QCheckBox(m_connectionTab);
    m_checkAtStart->setObjectName(QStringLiteral("checkAtStartCheck"));
    m_checkNow = new QPushButton(m_connectionTab);
    m_checkNow->setObjectName(QStringLiteral("checkNowButton"));
    m_checkResult = new QLabel(m_connectionTab);
    m_checkResult->setObjectName(QStringLiteral("checkResultLabel"));
    connect(m_checkResult, &QLabel::linkActivated, this, [this] {
        if (!m_checkLinkTarget.isEmpty())
            m_services.browser.open(m_checkLinkTarget);
    });
    con->addWidget(m_enableInternet);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(24);
    indented->addWidget(m_checkAtStart);
    con->addLayout(indented);
    con->addSpacing(12);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(m_checkNow);
    checkRow->addStretch(1);
    con->addLayout(checkRow);
    con->addWidget(m_checkResult);
    con->addStretch(1);
    connect(m_checkNow, &QPushButton::clicked, this, &SoftwareOptionsDialog::checkForUpdate);

    // Table options, on a page whose tab stays hidden.
    m_tableOptionsTab = new QWidget(m_tabs);
    m_tableOptionsTab->setObjectName(QStringLiteral("tableOptionsTab"));
    auto* soft = new QVBoxLayout(m_tableOptionsTab);
    m_enterMovesToNextField = new QCheckBox(m_tableOptionsTab);
    m_enterMovesToNextField->setObjectName(QStringLiteral("enterMovesToNextFieldCheck"));
    m_autoSizeColumns = new QCheckBox(m_tableOptionsTab);
    m_autoSizeColumns->setObjectName(QStringLiteral("autoSizeColumnsCheck"));
    soft->addWidget(m_enterMovesToNextField);
    soft->addWidget(m_autoSizeColumns);
    soft->addStretch(1);

    m_tabs->addTab(m_languageTab, QString());
    m_tabs->addTab(m_connectionTab, QString());
    m_tabs->addTab(m_tableOptionsTab, QString());
    m_tabs->setTabVisible(2, false);
    auto* pages = new QVBoxLayout;
    pages->setContentsMargins(8, 8, 8, 0);
    pages->addWidget(m_tabs);
    top->addLayout(pages, 1);

    for (QCheckBox* cb : {m_enableInternet, m_checkAtStart, m_enterMovesToNextField, m_autoSizeColumns})
        connect(cb, &QCheckBox::toggled, this, [this] { updateConnectionOptions(); });

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 0, 8, 0);
    buttons->addStretch(1);
    const OkCancelButtons okCancel = okCancelButtons(this);
    m_okButton = okCancel.ok;
    m_cancelButton = okCancel.cancel;
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    top->addLayout(buttons);

    applyLanguage();
}

int SoftwareOptionsDialog::pageCount() const
{
    return languagePageCount(static_cast<int>(offeredLanguages.size()));
}

void SoftwareOptionsDialog::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[msg::kOptionsTitle]);
    m_band->descriptionLabel()->setText(m[msg::kOptionsDescription]);
    m_tabs->setTabText(0, m[msg::kOptionsLanguage]);
    m_tabs->setTabText(1, m[msg::kOptionsConnection]);
    m_tabs->setTabText(2, m[msg::kOptionsSoftwareSettings]);
    m_selectedLanguage->setText(m[msg::kOptionsSelectedLanguage]);
    m_pageLabel->setText(m[msg::kOptionsPage] + QString::number(shownPage) + m[msg::kOptionsPageOf] + QString::number(pageCount()));
    m_previousPage->setText(m[msg::kOptionsPrevious]);
    m_nextPage->setText(m[msg::kOptionsNext]);
    m_enableInternet->setText(m[msg::kOptionsEnableInternet]);
    m_checkAtStart->setText(m[msg::kOptionsCheckUpdateAtStart]);
    m_checkNow->setText(m[msg::kOptionsCheckUpdateNow]);
    m_okButton->setText(m[msg::kOptionsOk]);
    m_cancelButton->setText(m[msg::kOptionsCancel]);
    m_enterMovesToNextField->setText(m[msg::kOptionsEnterMovesToNextField]);
    m_autoSizeColumns->setText(m[msg::kOptionsAutoSizeColumns]);
    fixSizeToContent(*this, QSize(509, 373));
}

void SoftwareOptionsDialog::prepareShowing()
{
    languageInUse = m_session.settings.language;
    offeredLanguages = languageChoices(m_session.ws.languageFolder);
    shownPage = 1;
    showLanguagePage(shownPage);
    updateConnectionOptions();
    m_checkResult->hide();
    m_tabs->setCurrentWidget(m_languageTab);
    m_enableInternet->setChecked(m_session.settings.internetEnabled);
    m_checkAtStart->setChecked(m_session.settings.updateCheckEnabled);
    m_enterMovesToNextField->setChecked(m_session.settings.jumpFieldsInTables);
    m_autoSizeColumns->setChecked(m_session.settings.doubleClickAutoSize);
    updateConnectionOptions();
}

bool SoftwareOptionsDialog::execShow()
{
    prepareShowing();
    return exec() == QDialog::Accepted;
}

void SoftwareOptionsDialog::showLanguagePage(int page)
{
    const MessageTable& m = m_session.messages;
    const int total = static_cast<int>(offeredLanguages.size());
    m_selectedLanguage->setText(m[msg::kOptionsSelectedLanguage] + languageInUse);
    m_pageLabel->setText(m[msg::kOptionsPage] + QString::number(page) + m[msg::kOptionsPageOf] + QString::number(pageCount()));
    m_previousPage->setVisible(page != 1);
    m_nextPage->setVisible(page != pageCount());
    const int shown = languagesOnPage(total, page);
    for (int k = 0; k < 6; ++k) {
        const bool visible = k < shown;
        m_languageNames[k]->setVisible(visible);
        m_flags[k]->setVisible(visible);
        if (!visible)
            continue;
        const QString& name = offeredLanguages[kLanguagesPerPage * (page - 1) + k];
        m_languageNames[k]->setText(name);
        // The built-in English shows its own picture when the folder has one, else its
        // drawn flag, never the default flag of the language files.
        const bool builtIn = name == kBuiltInLanguage;
        const QString own = m_session.ws.languageFolder + u'/' + name + QStringLiteral(".bmp");
        const QString flag = builtIn ? (QFileInfo(own).isFile() ? own : QString())
                                     : flagPicture(m_session.ws.languageFolder, name);
        QPixmap picture = flag.isEmpty() ? QPixmap() : QPixmap(flag);
        if (builtIn && picture.isNull())
            picture = builtInEnglishFlag();
        m_flags[k]->setPixmap(picture);
        m_flags[k]->setVisible(!picture.isNull());
    }
}

void SoftwareOptionsDialog::turnLanguagePage(bool next)
{
    if (next) {
        if (pageCount() >= shownPage + 1)
            ++shownPage;
    } else if (shownPage > 1) {
        --shownPage;
    }
    showLanguagePage(shownPage);
}

void SoftwareOptionsDialog::chooseLanguage(int slot)
{
    const int index = kLanguagesPerPage * (shownPage - 1) + slot - 1;
    if (slot < 1 || slot > 6 || index >= offeredLanguages.size())
        return;
    const QString chosen = offeredLanguages[index];
    const MessageTable& m = m_session.messages;
    if (!m_services.prompter.yesNo(m[msg::kOptionsChangeLanguageFrom] + languageInUse + m[msg::kOptionsChangeLanguageTo] + chosen + m[msg::kOptionsChangeLanguageEnd]))
        return;
    languageInUse = chosen;
    // The setting takes the chosen name only for this load; OK makes it stick.
    QString loaded = chosen;
    m_session.messages.loadLanguage(m_session.ws.languageFolder, loaded);
    if (m_services.changeLanguage)
        m_services.changeLanguage();
    else
        applyLanguage();
    m_selectedLanguage->setText(m_session.messages[msg::kOptionsSelectedLanguage] + languageInUse);
}

void SoftwareOptionsDialog::updateConnectionOptions()
{
    m_checkAtStart->setEnabled(m_enableInternet->isChecked());
    m_checkNow->setEnabled(m_checkAtStart->isEnabled() && m_checkAtStart->isChecked());
}

void SoftwareOptionsDialog::checkForUpdate()
{
    // The query keeps the window painted while it waits; a second click must not start
    // a second query inside the first.
    m_checkNow->setEnabled(false);
    const bool newer = m_services.checkVersion && m_services.checkVersion();
    updateConnectionOptions();
    if (newer) {
        m_checkLinkTarget = downloadPageUrl();
        m_checkResult->setTextFormat(Qt::RichText);
        m_checkResult->setText(updateLinkText(m_session.messages[msg::kOptionsNewVersionAvailable].toHtmlEscaped()));
    } else {
        m_checkLinkTarget.clear();
        m_checkResult->setTextFormat(Qt::PlainText);
        m_checkResult->setText(m_session.messages[msg::kOptionsNoUpdateAvailable]);
    }
    m_checkResult->show();
}

void SoftwareOptionsDialog::accept()
{
    AppSettings& s = m_session.settings;
    s.language = languageInUse;
    s.internetEnabled = m_enableInternet->isChecked();
    s.updateCheckEnabled = m_checkAtStart->isChecked();
    s.jumpFieldsInTables = m_enterMovesToNextField->isChecked();
    s.doubleClickAutoSize = m_autoSizeColumns->isChecked();
    QDialog::accept();
}

bool SoftwareOptionsDialog::eventFilter(QObject* watched, QEvent* event)
{
    bool chooses = event->type() == QEvent::MouseButtonRelease;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        chooses = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    if (chooses) {
        for (int k = 0; k < 6; ++k) {
            if (watched == m_flags[k] || watched == m_languageNames[k]) {
                chooseLanguage(k + 1);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace px
