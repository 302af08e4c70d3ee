#include "gui/options/soft_options_dialog.h"

#include "core/options/language_list.h"
#include "core/options/version_check.h"
#include "core/platform/browser.h"
#include "core/platform/prompter.h"
#include "core/shell/session.h"
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

TFSoftOptions::TFSoftOptions(Session& session, Services services, QWidget* parent)
    : QDialog(parent), m_session(session), m_services(std::move(services))
{
    setObjectName(QStringLiteral("TFSoftOptions"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("L_SW_Desc"), this);
    top->addWidget(m_band);

    PC_Options = new QTabWidget(this);
    PC_Options->setObjectName(QStringLiteral("PC_Options"));

    // Language page: six slots, three to a column, with paging below.
    TS_Language = new QWidget(PC_Options);
    TS_Language->setObjectName(QStringLiteral("TS_Language"));
    auto* lang = new QVBoxLayout(TS_Language);
    L_Sel_Lang = new QLabel(TS_Language);
    L_Sel_Lang->setObjectName(QStringLiteral("L_Sel_Lang"));
    lang->addWidget(L_Sel_Lang);
    auto* slots = new QGridLayout;
    for (int k = 0; k < 6; ++k) {
        I_L[k] = new QLabel(TS_Language);
        I_L[k]->setObjectName(QStringLiteral("I_L%1").arg(k + 1));
        I_L[k]->setFixedSize(48, 48);
        I_L[k]->setScaledContents(true);
        I_L[k]->setCursor(Qt::PointingHandCursor);
        I_L[k]->installEventFilter(this);
        L_L[k] = new QLabel(TS_Language);
        L_L[k]->setObjectName(QStringLiteral("L_L%1").arg(k + 1));
        L_L[k]->setCursor(Qt::PointingHandCursor);
        L_L[k]->setFocusPolicy(Qt::StrongFocus); // Space or Enter on a name chooses it too
        L_L[k]->installEventFilter(this);
        const int column = k < 3 ? 0 : 2;
        slots->addWidget(I_L[k], k % 3, column);
        slots->addWidget(L_L[k], k % 3, column + 1);
    }
    slots->setColumnStretch(1, 1);
    slots->setColumnStretch(3, 1);
    for (int row = 0; row < 3; ++row)
        slots->setRowMinimumHeight(row, 52); // a flag's height, with or without the flag
    lang->addSpacing(8);
    lang->addLayout(slots);
    lang->addStretch(1);
    auto* paging = new QHBoxLayout;
    Btn_Prev = new QPushButton(TS_Language);
    Btn_Prev->setObjectName(QStringLiteral("Btn_Prev"));
    Btn_Next = new QPushButton(TS_Language);
    Btn_Next->setObjectName(QStringLiteral("Btn_Next"));
    L_Page_Lang = new QLabel(TS_Language);
    L_Page_Lang->setObjectName(QStringLiteral("L_Page_Lang"));
    L_Page_Lang->setAlignment(Qt::AlignCenter);
    paging->addWidget(Btn_Prev);
    paging->addWidget(L_Page_Lang, 1);
    paging->addWidget(Btn_Next);
    lang->addLayout(paging);
    connect(Btn_Prev, &QPushButton::clicked, this, [this] { Btn_NextClick(false); });
    connect(Btn_Next, &QPushButton::clicked, this, [this] { Btn_NextClick(true); });

    // Connection page.
    TS_Con_Options = new QWidget(PC_Options);
    TS_Con_Options->setObjectName(QStringLiteral("TS_Con_Options"));
    auto* con = new QVBoxLayout(TS_Con_Options);
    CB_En_Con = new QCheckBox(TS_Con_Options);
    CB_En_Con->setObjectName(QStringLiteral("CB_En_Con"));
    CB_Update = new QCheckBox(TS_Con_Options);
    CB_Update->setObjectName(QStringLiteral("CB_Update"));
    Btn_Check_Update = new QPushButton(TS_Con_Options);
    Btn_Check_Update->setObjectName(QStringLiteral("Btn_Check_Update"));
    LL_Check_Update = new QLabel(TS_Con_Options);
    LL_Check_Update->setObjectName(QStringLiteral("LL_Check_Update"));
    connect(LL_Check_Update, &QLabel::linkActivated, this, [this] {
        if (!m_checkLinkTarget.isEmpty())
            m_services.browser.open(m_checkLinkTarget);
    });
    con->addWidget(CB_En_Con);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(24);
    indented->addWidget(CB_Update);
    con->addLayout(indented);
    con->addSpacing(12);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(Btn_Check_Update);
    checkRow->addStretch(1);
    con->addLayout(checkRow);
    con->addWidget(LL_Check_Update);
    con->addStretch(1);
    connect(Btn_Check_Update, &QPushButton::clicked, this, &TFSoftOptions::Btn_Check_UpdateClick);

    // Table options, on a page whose tab stays hidden.
    TS_Soft_Settings = new QWidget(PC_Options);
    TS_Soft_Settings->setObjectName(QStringLiteral("TS_Soft_Settings"));
    auto* soft = new QVBoxLayout(TS_Soft_Settings);
    CB_Soft_Set_Jump_Table = new QCheckBox(TS_Soft_Settings);
    CB_Soft_Set_Jump_Table->setObjectName(QStringLiteral("CB_Soft_Set_Jump_Table"));
    CB_DoubleClick_Auto_Size = new QCheckBox(TS_Soft_Settings);
    CB_DoubleClick_Auto_Size->setObjectName(QStringLiteral("CB_DoubleClick_Auto_Size"));
    soft->addWidget(CB_Soft_Set_Jump_Table);
    soft->addWidget(CB_DoubleClick_Auto_Size);
    soft->addStretch(1);

    PC_Options->addTab(TS_Language, QString());
    PC_Options->addTab(TS_Con_Options, QString());
    PC_Options->addTab(TS_Soft_Settings, QString());
    PC_Options->setTabVisible(2, false);
    auto* pages = new QVBoxLayout;
    pages->setContentsMargins(8, 8, 8, 0);
    pages->addWidget(PC_Options);
    top->addLayout(pages, 1);

    for (QCheckBox* cb : {CB_En_Con, CB_Update, CB_Soft_Set_Jump_Table, CB_DoubleClick_Auto_Size})
        connect(cb, &QCheckBox::toggled, this, [this] { Update_CheckBox(); });

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 0, 8, 0);
    buttons->addStretch(1);
    Btn_OK = new QPushButton(this);
    Btn_OK->setObjectName(QStringLiteral("Btn_OK"));
    Btn_OK->setDefault(true);
    Btn_Cancel = new QPushButton(this);
    Btn_Cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    buttons->addWidget(Btn_OK);
    buttons->addWidget(Btn_Cancel);
    top->addLayout(buttons);
    connect(Btn_OK, &QPushButton::clicked, this, &TFSoftOptions::accept);
    connect(Btn_Cancel, &QPushButton::clicked, this, &TFSoftOptions::reject);

    setFixedSize(509, 373);
    Set_Lang();
}

int TFSoftOptions::pageCount() const
{
    return languagePageCount(static_cast<int>(SL_Languages.size()));
}

void TFSoftOptions::Set_Lang()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[38]);
    m_band->descriptionLabel()->setText(m[39]);
    PC_Options->setTabText(0, m[40]);
    PC_Options->setTabText(1, m[41]);
    PC_Options->setTabText(2, m[329]);
    L_Sel_Lang->setText(m[42]);
    L_Page_Lang->setText(m[43] + QString::number(Show_Page) + m[44] + QString::number(pageCount()));
    Btn_Prev->setText(m[45]);
    Btn_Next->setText(m[46]);
    CB_En_Con->setText(m[47]);
    CB_Update->setText(m[48]);
    Btn_Check_Update->setText(m[49]);
    Btn_OK->setText(m[50]);
    Btn_Cancel->setText(m[51]);
    CB_Soft_Set_Jump_Table->setText(m[330]);
    CB_DoubleClick_Auto_Size->setText(m[331]);
}

void TFSoftOptions::FormShow()
{
    Language_In_Use = m_session.settings.Language;
    SL_Languages = languageChoices(m_session.ws.Language_Folder);
    Show_Page = 1;
    Update_Lang_Page(Show_Page);
    Update_CheckBox();
    LL_Check_Update->hide();
    PC_Options->setCurrentWidget(TS_Language);
    CB_En_Con->setChecked(m_session.settings.Enable_Internet);
    CB_Update->setChecked(m_session.settings.Enable_Update);
    CB_Soft_Set_Jump_Table->setChecked(m_session.settings.Enable_Jump_Field_Tables);
    CB_DoubleClick_Auto_Size->setChecked(m_session.settings.Double_Click_Auto_Size);
    Update_CheckBox();
}

bool TFSoftOptions::execShow()
{
    FormShow();
    return exec() == QDialog::Accepted;
}

void TFSoftOptions::Update_Lang_Page(int Num_Page)
{
    const MessageTable& m = m_session.messages;
    const int total = static_cast<int>(SL_Languages.size());
    L_Sel_Lang->setText(m[42] + Language_In_Use);
    L_Page_Lang->setText(m[43] + QString::number(Num_Page) + m[44] + QString::number(pageCount()));
    Btn_Prev->setVisible(Num_Page != 1);
    Btn_Next->setVisible(Num_Page != pageCount());
    const int shown = languagesOnPage(total, Num_Page);
    for (int k = 0; k < 6; ++k) {
        const bool visible = k < shown;
        L_L[k]->setVisible(visible);
        I_L[k]->setVisible(visible);
        if (!visible)
            continue;
        const QString& name = SL_Languages[kLanguagesPerPage * (Num_Page - 1) + k];
        L_L[k]->setText(name);
        // The built-in English shows its own picture when the folder has one, else its
        // drawn flag, never the default flag of the language files.
        const bool builtIn = name == kBuiltInLanguage;
        const QString own = m_session.ws.Language_Folder + u'/' + name + QStringLiteral(".bmp");
        const QString flag = builtIn ? (QFileInfo(own).isFile() ? own : QString())
                                     : flagPicture(m_session.ws.Language_Folder, name);
        QPixmap picture = flag.isEmpty() ? QPixmap() : QPixmap(flag);
        if (builtIn && picture.isNull())
            picture = builtInEnglishFlag();
        I_L[k]->setPixmap(picture);
        I_L[k]->setVisible(!picture.isNull());
    }
}

void TFSoftOptions::Btn_NextClick(bool next)
{
    if (next) {
        if (pageCount() >= Show_Page + 1)
            ++Show_Page;
    } else if (Show_Page > 1) {
        --Show_Page;
    }
    Update_Lang_Page(Show_Page);
}

void TFSoftOptions::LangClick(int slot)
{
    const int index = kLanguagesPerPage * (Show_Page - 1) + slot - 1;
    if (slot < 1 || slot > 6 || index >= SL_Languages.size())
        return;
    const QString chosen = SL_Languages[index];
    const MessageTable& m = m_session.messages;
    if (!m_services.prompter.yesNo(m[54] + Language_In_Use + m[55] + chosen + m[56]))
        return;
    Language_In_Use = chosen;
    // The setting takes the chosen name only for this load; OK makes it stick.
    QString loaded = chosen;
    m_session.messages.loadLanguage(m_session.ws.Language_Folder, loaded);
    if (m_services.changeLanguage)
        m_services.changeLanguage();
    else
        Set_Lang();
    L_Sel_Lang->setText(m_session.messages[42] + Language_In_Use);
}

void TFSoftOptions::Update_CheckBox()
{
    CB_Update->setEnabled(CB_En_Con->isChecked());
    Btn_Check_Update->setEnabled(CB_Update->isEnabled() && CB_Update->isChecked());
}

void TFSoftOptions::Btn_Check_UpdateClick()
{
    // The query keeps the window painted while it waits; a second click must not start
    // a second query inside the first.
    Btn_Check_Update->setEnabled(false);
    const bool newer = m_services.checkVersion && m_services.checkVersion();
    Update_CheckBox();
    if (newer) {
        m_checkLinkTarget = downloadPageUrl();
        LL_Check_Update->setTextFormat(Qt::RichText);
        LL_Check_Update->setText(updateLinkText(m_session.messages[52].toHtmlEscaped()));
    } else {
        m_checkLinkTarget.clear();
        LL_Check_Update->setTextFormat(Qt::PlainText);
        LL_Check_Update->setText(m_session.messages[53]);
    }
    LL_Check_Update->show();
}

void TFSoftOptions::accept()
{
    AppSettings& s = m_session.settings;
    s.Language = Language_In_Use;
    s.Enable_Internet = CB_En_Con->isChecked();
    s.Enable_Update = CB_Update->isChecked();
    s.Enable_Jump_Field_Tables = CB_Soft_Set_Jump_Table->isChecked();
    s.Double_Click_Auto_Size = CB_DoubleClick_Auto_Size->isChecked();
    QDialog::accept();
}

bool TFSoftOptions::eventFilter(QObject* watched, QEvent* event)
{
    bool chooses = event->type() == QEvent::MouseButtonRelease;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        chooses = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    if (chooses) {
        for (int k = 0; k < 6; ++k) {
            if (watched == I_L[k] || watched == L_L[k]) {
                LangClick(k + 1);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace px
