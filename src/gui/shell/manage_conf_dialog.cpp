#include "gui/shell/manage_conf_dialog.h"

#include "core/platform/prompter.h"
#include "core/shell/config_copy.h"
#include "core/shell/config_manage.h"
#include "core/shell/session.h"
#include "gui/common/guard.h"
#include "gui/common/title_band.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

namespace {

QPushButton* button(QWidget* parent, const char* name)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLineEdit* field(QWidget* parent, const char* name, QLabel*& label, const char* labelName)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(labelName));
    label->setBuddy(e);
    return e;
}

} // namespace

TFManageConf::TFManageConf(Session& session, Prompter& prompter, Trash& trash, QWidget* parent)
    : QDialog(parent), exchangeFolder(QDir::homePath()), m_session(session), m_prompter(prompter), m_trash(trash)
{
    setObjectName(QStringLiteral("TFManageConf"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("L_SW_Desc"), this);
    top->addWidget(m_band);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(12, 8, 12, 0);
    auto* left = new QVBoxLayout;
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    LB_Conf = new QListWidget(this);
    LB_Conf->setObjectName(QStringLiteral("LB_Conf"));
    LB_Conf->setSelectionMode(QAbstractItemView::SingleSelection);
    Label1->setBuddy(LB_Conf);
    left->addWidget(Label1);
    left->addWidget(LB_Conf, 1);
    body->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    GB_Copy = new QGroupBox(this);
    GB_Copy->setObjectName(QStringLiteral("GB_Copy"));
    auto* copyGrid = new QGridLayout(GB_Copy);
    E_Name = field(GB_Copy, "E_Name", L_Name, "L_Name");
    E_Id_Offset = field(GB_Copy, "E_Id_Offset", L_Id_Offset, "L_Id_Offset");
    E_Tx_Id_Offset = field(GB_Copy, "E_Tx_Id_Offset", L_Tx_Id_Offset, "L_Tx_Id_Offset");
    E_Reg_Offset = field(GB_Copy, "E_Reg_Offset", L_Reg_Offset, "L_Reg_Offset");
    E_Tx_Reg_Offset = field(GB_Copy, "E_Tx_Reg_Offset", L_Tx_Reg_Offset, "L_Tx_Reg_Offset");
    copyGrid->addWidget(L_Name, 0, 0);
    copyGrid->addWidget(E_Name, 0, 1, 1, 3);
    copyGrid->addWidget(L_Id_Offset, 1, 0);
    copyGrid->addWidget(E_Id_Offset, 1, 1);
    copyGrid->addWidget(L_Tx_Id_Offset, 1, 2);
    copyGrid->addWidget(E_Tx_Id_Offset, 1, 3);
    copyGrid->addWidget(L_Reg_Offset, 2, 0);
    copyGrid->addWidget(E_Reg_Offset, 2, 1);
    copyGrid->addWidget(L_Tx_Reg_Offset, 2, 2);
    copyGrid->addWidget(E_Tx_Reg_Offset, 2, 3);
    Btn_Duplicate = button(GB_Copy, "Btn_Duplicate");
    Btn_Rename = button(GB_Copy, "Btn_Rename");
    auto* copyButtons = new QHBoxLayout;
    copyButtons->addWidget(Btn_Duplicate);
    copyButtons->addWidget(Btn_Rename);
    copyButtons->addStretch(1);
    copyGrid->addLayout(copyButtons, 3, 0, 1, 4);
    right->addWidget(GB_Copy);

    GB_Exchange = new QGroupBox(this);
    GB_Exchange->setObjectName(QStringLiteral("GB_Exchange"));
    auto* exchange = new QHBoxLayout(GB_Exchange);
    CB_With_Images = new QCheckBox(GB_Exchange);
    CB_With_Images->setObjectName(QStringLiteral("CB_With_Images"));
    Btn_Export = button(GB_Exchange, "Btn_Export");
    Btn_Import = button(GB_Exchange, "Btn_Import");
    exchange->addWidget(Btn_Export);
    exchange->addWidget(CB_With_Images);
    exchange->addStretch(1);
    exchange->addWidget(Btn_Import);
    right->addWidget(GB_Exchange);

    Btn_Delete = button(this, "Btn_Delete");
    auto* deleteRow = new QHBoxLayout;
    deleteRow->addWidget(Btn_Delete);
    deleteRow->addStretch(1);
    right->addLayout(deleteRow);

    L_Status = new QLabel(this);
    L_Status->setObjectName(QStringLiteral("L_Status"));
    L_Status->setTextFormat(Qt::PlainText);
    L_Status->setWordWrap(true);
    right->addWidget(L_Status);
    right->addStretch(1);
    Btn_Close = button(this, "Btn_Close");
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(Btn_Close);
    right->addLayout(closeRow);
    body->addLayout(right, 2);
    top->addLayout(body, 1);

    connect(Btn_Duplicate, &QPushButton::clicked, this, [this] { run([this] { duplicate(); }); });
    connect(Btn_Rename, &QPushButton::clicked, this, [this] { run([this] { rename(); }); });
    connect(Btn_Delete, &QPushButton::clicked, this, [this] { run([this] { remove(); }); });
    connect(Btn_Export, &QPushButton::clicked, this, [this] { run([this] { exportSelected(); }); });
    connect(Btn_Import, &QPushButton::clicked, this, [this] { run([this] { import(); }); });
    connect(Btn_Close, &QPushButton::clicked, this, &TFManageConf::accept);

    resize(760, 420);
    Set_Lang();
}

void TFManageConf::Set_Lang()
{
    // The list's title is the Open dialog's; the texts of managing exist in English only.
    const MessageTable& m = m_session.messages;
    setWindowTitle(QStringLiteral("Manage Configurations"));
    m_band->descriptionLabel()->setText(QStringLiteral("Duplicate, Rename, Delete, Export and Import Configurations"));
    Label1->setText(m[35]);
    GB_Copy->setTitle(QStringLiteral("Duplicate or rename the selected configuration"));
    L_Name->setText(QStringLiteral("&New name"));
    L_Id_Offset->setText(QStringLiteral("Receive CAN-ID offset"));
    L_Tx_Id_Offset->setText(QStringLiteral("Transmit CAN-ID offset"));
    L_Reg_Offset->setText(QStringLiteral("Receive register offset"));
    L_Tx_Reg_Offset->setText(QStringLiteral("Transmit register offset"));
    for (QLineEdit* e : {E_Id_Offset, E_Reg_Offset})
        e->setPlaceholderText(QStringLiteral("0"));
    for (QLineEdit* e : {E_Tx_Id_Offset, E_Tx_Reg_Offset})
        e->setPlaceholderText(QStringLiteral("as receive"));
    E_Name->setToolTip(QStringLiteral("The name of the copy, or the new name of the selected configuration"));
    E_Id_Offset->setToolTip(QStringLiteral("Added to every received CAN identifier of the copy (decimal, or hexadecimal after 0x or $)"));
    E_Tx_Id_Offset->setToolTip(QStringLiteral("Added to every transmitted CAN identifier of the copy; empty: the receive offset"));
    E_Reg_Offset->setToolTip(QStringLiteral("Added to every register index of the receive mapping of the copy"));
    E_Tx_Reg_Offset->setToolTip(QStringLiteral("Added to every register index of the transmit mapping of the copy; empty: the receive offset"));
    Btn_Duplicate->setText(QStringLiteral("&Duplicate"));
    Btn_Duplicate->setToolTip(QStringLiteral("Create a new configuration from the selected one; its images are not copied"));
    Btn_Rename->setText(QStringLiteral("&Rename"));
    Btn_Rename->setToolTip(QStringLiteral("Give the selected configuration the new name"));
    Btn_Delete->setText(QStringLiteral("De&lete..."));
    Btn_Delete->setToolTip(QStringLiteral("Move the selected configuration to the trash"));
    GB_Exchange->setTitle(QStringLiteral("Exchange as one .zip file"));
    CB_With_Images->setText(QStringLiteral("with the compiled &images"));
    Btn_Export->setText(QStringLiteral("&Export..."));
    Btn_Export->setToolTip(QStringLiteral("Save the selected configuration as one .zip file"));
    Btn_Import->setText(QStringLiteral("&Import..."));
    Btn_Import->setToolTip(QStringLiteral("Add a configuration from a .zip file"));
    Btn_Close->setText(QStringLiteral("Close"));
}

void TFManageConf::FormShow()
{
    for (QLineEdit* e : {E_Name, E_Id_Offset, E_Tx_Id_Offset, E_Reg_Offset, E_Tx_Reg_Offset})
        e->clear();
    CB_With_Images->setChecked(false);
    L_Status->clear();
    reload(m_session.ws.activeFolderName());
    LB_Conf->setFocus();
}

bool TFManageConf::execShow()
{
    FormShow();
    return exec() == QDialog::Accepted;
}

QString TFManageConf::selected() const
{
    const int row = LB_Conf->currentRow();
    return row >= 0 && row < SL.size() ? SL[row] : QString();
}

void TFManageConf::reload(const QString& select)
{
    SL = listConfigurations(m_session.ws.Projects_Folder);
    LB_Conf->clear();
    LB_Conf->addItems(SL);
    const int found = Search_Open_Conf(SL, select);
    if (found >= 0 || !SL.isEmpty())
        LB_Conf->setCurrentRow(found >= 0 ? found : 0);
    const bool any = !SL.isEmpty();
    for (QPushButton* b : {Btn_Duplicate, Btn_Rename, Btn_Delete, Btn_Export})
        b->setEnabled(any);
}

void TFManageConf::run(const std::function<void()>& action)
{
    guarded(m_prompter, action);
}

void TFManageConf::duplicate()
{
    const QString from = selected();
    if (from.isEmpty())
        return;
    const CopyOffsets offsets = readCopyOffsets(E_Id_Offset->text(), E_Tx_Id_Offset->text(), E_Reg_Offset->text(),
                                                E_Tx_Reg_Offset->text());
    const QString to = E_Name->text();
    const QString projects = m_session.ws.Projects_Folder;
    if (const int refusal = copyConfiguration(projects + u'/' + from, projects, to, offsets); refusal != 0) {
        m_prompter.error(m_session.messages[refusal]);
        return;
    }
    reload(to);
    L_Status->setText(manage_text::duplicated(from, to));
}

void TFManageConf::rename()
{
    const QString from = selected();
    if (from.isEmpty())
        return;
    const QString to = E_Name->text();
    if (const int refusal = renameConfiguration(m_session, from, to); refusal != 0) {
        m_prompter.error(m_session.messages[refusal]);
        return;
    }
    reload(to);
    L_Status->setText(manage_text::renamed(from, to));
}

void TFManageConf::remove()
{
    const QString name = selected();
    if (name.isEmpty())
        return;
    const bool gone = deleteConfiguration(m_session, name, m_prompter, m_trash);
    reload(gone ? m_session.ws.activeFolderName() : name);
    if (gone)
        L_Status->setText(manage_text::deleted(name));
}

void TFManageConf::exportSelected()
{
    const QString name = selected();
    if (name.isEmpty())
        return;
    const QString path = exportConfiguration(m_session, name, CB_With_Images->isChecked(), m_prompter, exchangeFolder);
    if (!path.isEmpty())
        L_Status->setText(manage_text::exported(name, path));
}

void TFManageConf::import()
{
    const QString name = importConfiguration(m_session, m_prompter, exchangeFolder);
    if (name.isEmpty())
        return;
    reload(name);
    L_Status->setText(manage_text::imported(name));
}

} // namespace px
