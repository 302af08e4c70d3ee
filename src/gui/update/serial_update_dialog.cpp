#include "gui/update/serial_update_dialog.h"

#include "core/platform/prompter.h"
#include "core/platform/serial_ports.h"
#include "core/shell/session.h"
#include "core/update/required_files.h"
#include "core/update/serial_update.h"
#include "gui/common/guard.h"
#include "gui/common/title_band.h"
#include "gui/update/update_operations.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace px {

namespace {

template <typename T>
T* named(QWidget* parent, const char* name)
{
    auto* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

TFBootSer::TFBootSer(Session& session, Prompter& prompter, SerialPorts& ports, StartProgramFn startProgram,
                     QWidget* parent)
    : QDialog(parent), m_session(session), m_prompter(prompter), m_ports(ports),
      m_startProgram(std::move(startProgram))
{
    setObjectName(QStringLiteral("TFBootSer"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("L_SW_Desc"), this);
    top->addWidget(m_band);

    m_pages = new QStackedWidget(this);
    top->addWidget(m_pages, 1);

    Page_Port = named<QWidget>(m_pages, "Page_Port");
    auto* port = new QVBoxLayout(Page_Port);
    port->setContentsMargins(16, 10, 16, 0);
    L_Steps1 = named<QLabel>(Page_Port, "L_Steps1");
    L_Steps2 = named<QLabel>(Page_Port, "L_Steps2");
    L_Steps3 = named<QLabel>(Page_Port, "L_Steps3");
    L_Steps4 = named<QLabel>(Page_Port, "L_Steps4");
    L_Steps5 = named<QLabel>(Page_Port, "L_Steps5");
    CB_Com = named<QComboBox>(Page_Port, "CB_Com");
    CB_Com->setMinimumWidth(160);
    L_Steps4->setBuddy(CB_Com);
    Btn_COM_List = named<QToolButton>(Page_Port, "Btn_COM_List");
    Btn_COM_List->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    QFont bold = L_Steps1->font();
    bold.setBold(true);
    L_Steps1->setFont(bold);
    port->addWidget(L_Steps1);
    port->addWidget(L_Steps2);
    port->addWidget(L_Steps3);
    port->addWidget(L_Steps4);
    auto* comRow = new QHBoxLayout;
    comRow->addSpacing(24);
    comRow->addWidget(CB_Com);
    comRow->addWidget(Btn_COM_List);
    comRow->addStretch(1);
    port->addLayout(comRow);
    port->addWidget(L_Steps5);
    port->addStretch(1);
    m_pages->addWidget(Page_Port);

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

    connect(Btn_COM_List, &QToolButton::clicked, this, [this] { update_ComPort(); });
    connect(Btn_Cancel, &QPushButton::clicked, this, &TFBootSer::reject);
    connect(Btn_Next, &QPushButton::clicked, this, [this] { Btn_NextClick(); });
    connect(Btn_Update, &QPushButton::clicked, this, [this] { Btn_UpdateClick(); });

    setFixedSize(460, 360);
    Set_Lang();
}

void TFBootSer::Set_Lang()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[73]);
    m_band->descriptionLabel()->setText(m[74]);
    L_Steps1->setText(m[75]);
    L_Steps2->setText(m[76]);
    L_Steps3->setText(m[77]);
    L_Steps4->setText(m[78]);
    L_Steps5->setText(m[79]);
    Btn_COM_List->setToolTip(m[80]);
    L_Options->setText(m[81]);
    CB_Firmware->setText(m[82]);
    CB_Read_Firm->setText(m[83]);
    CB_Conf->setText(m[84]);
    CB_Read_Conf->setText(m[85]);
    Btn_Cancel->setText(m[86]);
    Btn_Next->setText(m[87]);
    Btn_Update->setText(m[88]);
    CB_Com->setToolTip(m[459]);
    Btn_Cancel->setToolTip(m[460]);
    Btn_Next->setToolTip(m[461]);
    CB_Firmware->setToolTip(m[462]);
    CB_Read_Firm->setToolTip(m[463]);
    CB_Conf->setToolTip(m[464]);
    CB_Read_Conf->setToolTip(m[465]);
    Btn_Update->setToolTip(m[466]);
}

void TFBootSer::update_ComPort()
{
    CB_Com->clear();
    for (const SerialPort& p : m_ports.ports())
        CB_Com->addItem(p.name, p.systemLocation);
    CB_Com->setCurrentIndex(CB_Com->count() > 0 ? 0 : -1);
}

void TFBootSer::FormShow()
{
    guarded(m_prompter, [this] { update_ComPort(); });
    m_pages->setCurrentWidget(Page_Port);
    Btn_Cancel->setVisible(true);
    Btn_Next->setVisible(true);
    Btn_Update->setVisible(false);
    Btn_Next->setDefault(true);
}

bool TFBootSer::execShow()
{
    FormShow();
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
    return exec() == QDialog::Accepted;
}

void TFBootSer::Btn_NextClick()
{
    if (CB_Com->currentText().isEmpty()) {
        m_prompter.error(m_session.messages[89]);
        return;
    }
    m_pages->setCurrentWidget(Page_Options);
    Btn_Cancel->setVisible(false);
    Btn_Next->setVisible(false);
    Btn_Update->setVisible(true);
}

void TFBootSer::Btn_UpdateClick()
{
    guarded(m_prompter, [this] {
        const Workspace& ws = m_session.ws;
        const SerialUpdateJob job{CB_Com->currentData().toString(),
                                  CB_Firmware->isChecked(),
                                  CB_Read_Firm->isChecked(),
                                  CB_Conf->isChecked(),
                                  CB_Read_Conf->isChecked(),
                                  ws.Master_Folder,
                                  ws.Conf_Folder};
        // A missing updater or firmware image would let the user believe the device
        // was updated: it is named, and nothing starts.
        if (const std::optional<MissingFile> missing = firstMissingFile(serialUpdateFiles(ws, job))) {
            m_prompter.error(missingFileText(m_session.messages, *missing));
            return;
        }
        m_startProgram(serialUpdaterProgram(ws), serialUpdateParameters(job), false);
    });
}

} // namespace px
