#include "gui/shell/manage_configurations_dialog.h"

#include "core/lang/message_ids.h"
#include "core/platform/prompter.h"
#include "core/shell/config_copy.h"
#include "core/shell/config_manage.h"
#include "core/shell/session.h"
#include "gui/common/dialog_buttons.h"
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

ManageConfigurationsDialog::ManageConfigurationsDialog(Session& session, Prompter& prompter, Trash& trash, QWidget* parent)
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
    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("Label1"));
    m_configurationList = new QListWidget(this);
    m_configurationList->setObjectName(QStringLiteral("LB_Conf"));
    m_configurationList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_nameLabel->setBuddy(m_configurationList);
    left->addWidget(m_nameLabel);
    left->addWidget(m_configurationList, 1);
    body->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    m_copyGroup = new QGroupBox(this);
    m_copyGroup->setObjectName(QStringLiteral("GB_Copy"));
    auto* copyGrid = new QGridLayout(m_copyGroup);
    m_nameEdit = field(m_copyGroup, "E_Name", m_newNameLabel, "L_Name");
    m_idOffsetEdit = field(m_copyGroup, "E_Id_Offset", m_idOffsetLabel, "L_Id_Offset");
    m_txIdOffsetEdit = field(m_copyGroup, "E_Tx_Id_Offset", m_txIdOffsetLabel, "L_Tx_Id_Offset");
    m_registerOffsetEdit = field(m_copyGroup, "E_Reg_Offset", m_registerOffsetLabel, "L_Reg_Offset");
    m_txRegisterOffsetEdit = field(m_copyGroup, "E_Tx_Reg_Offset", m_txRegisterOffsetLabel, "L_Tx_Reg_Offset");
    copyGrid->addWidget(m_newNameLabel, 0, 0);
    copyGrid->addWidget(m_nameEdit, 0, 1, 1, 3);
    copyGrid->addWidget(m_idOffsetLabel, 1, 0);
    copyGrid->addWidget(m_idOffsetEdit, 1, 1);
    copyGrid->addWidget(m_txIdOffsetLabel, 1, 2);
    copyGrid->addWidget(m_txIdOffsetEdit, 1, 3);
    copyGrid->addWidget(m_registerOffsetLabel, 2, 0);
    copyGrid->addWidget(m_registerOffsetEdit, 2, 1);
    copyGrid->addWidget(m_txRegisterOffsetLabel, 2, 2);
    copyGrid->addWidget(m_txRegisterOffsetEdit, 2, 3);
    m_duplicateButton = plainButton(m_copyGroup, "Btn_Duplicate");
    m_renameButton = plainButton(m_copyGroup, "Btn_Rename");
    auto* copyButtons = new QHBoxLayout;
    copyButtons->addWidget(m_duplicateButton);
    copyButtons->addWidget(m_renameButton);
    copyButtons->addStretch(1);
    copyGrid->addLayout(copyButtons, 3, 0, 1, 4);
    right->addWidget(m_copyGroup);

    m_exchangeGroup = new QGroupBox(this);
    m_exchangeGroup->setObjectName(QStringLiteral("GB_Exchange"));
    auto* exchange = new QHBoxLayout(m_exchangeGroup);
    m_withImages = new QCheckBox(m_exchangeGroup);
    m_withImages->setObjectName(QStringLiteral("CB_With_Images"));
    m_exportButton = plainButton(m_exchangeGroup, "Btn_Export");
    m_importButton = plainButton(m_exchangeGroup, "Btn_Import");
    exchange->addWidget(m_exportButton);
    exchange->addWidget(m_withImages);
    exchange->addStretch(1);
    exchange->addWidget(m_importButton);
    right->addWidget(m_exchangeGroup);

    m_deleteButton = plainButton(this, "Btn_Delete");
    auto* deleteRow = new QHBoxLayout;
    deleteRow->addWidget(m_deleteButton);
    deleteRow->addStretch(1);
    right->addLayout(deleteRow);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("L_Status"));
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_statusLabel->setWordWrap(true);
    right->addWidget(m_statusLabel);
    right->addStretch(1);
    m_closeButton = plainButton(this, "Btn_Close");
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(m_closeButton);
    right->addLayout(closeRow);
    body->addLayout(right, 2);
    top->addLayout(body, 1);

    connect(m_duplicateButton, &QPushButton::clicked, this, [this] { run([this] { duplicate(); }); });
    connect(m_renameButton, &QPushButton::clicked, this, [this] { run([this] { rename(); }); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { run([this] { remove(); }); });
    connect(m_exportButton, &QPushButton::clicked, this, [this] { run([this] { exportSelected(); }); });
    connect(m_importButton, &QPushButton::clicked, this, [this] { run([this] { import(); }); });
    connect(m_closeButton, &QPushButton::clicked, this, &ManageConfigurationsDialog::accept);

    resize(760, 420);
    applyLanguage();
}

void ManageConfigurationsDialog::applyLanguage()
{
    // The list's title is the Open dialog's; the texts of managing exist in English only.
    const MessageTable& m = m_session.messages;
    setWindowTitle(QStringLiteral("Manage Configurations"));
    m_band->descriptionLabel()->setText(QStringLiteral("Duplicate, Rename, Delete, Export and Import Configurations"));
    m_nameLabel->setText(m[msg::kOpenConfigListLabel]);
    m_copyGroup->setTitle(QStringLiteral("Duplicate or rename the selected configuration"));
    m_newNameLabel->setText(QStringLiteral("&New name"));
    m_idOffsetLabel->setText(QStringLiteral("Receive CAN-ID offset"));
    m_txIdOffsetLabel->setText(QStringLiteral("Transmit CAN-ID offset"));
    m_registerOffsetLabel->setText(QStringLiteral("Receive register offset"));
    m_txRegisterOffsetLabel->setText(QStringLiteral("Transmit register offset"));
    for (QLineEdit* e : {m_idOffsetEdit, m_registerOffsetEdit})
        e->setPlaceholderText(QStringLiteral("0"));
    for (QLineEdit* e : {m_txIdOffsetEdit, m_txRegisterOffsetEdit})
        e->setPlaceholderText(QStringLiteral("as receive"));
    m_nameEdit->setToolTip(QStringLiteral("The name of the copy, or the new name of the selected configuration"));
    m_idOffsetEdit->setToolTip(QStringLiteral("Added to every received CAN identifier of the copy (decimal, or hexadecimal after 0x or $)"));
    m_txIdOffsetEdit->setToolTip(QStringLiteral("Added to every transmitted CAN identifier of the copy; empty: the receive offset"));
    m_registerOffsetEdit->setToolTip(QStringLiteral("Added to every register index of the receive mapping of the copy"));
    m_txRegisterOffsetEdit->setToolTip(QStringLiteral("Added to every register index of the transmit mapping of the copy; empty: the receive offset"));
    m_duplicateButton->setText(QStringLiteral("&Duplicate"));
    m_duplicateButton->setToolTip(QStringLiteral("Create a new configuration from the selected one; its images are not copied"));
    m_renameButton->setText(QStringLiteral("&Rename"));
    m_renameButton->setToolTip(QStringLiteral("Give the selected configuration the new name"));
    m_deleteButton->setText(QStringLiteral("De&lete..."));
    m_deleteButton->setToolTip(QStringLiteral("Move the selected configuration to the trash"));
    m_exchangeGroup->setTitle(QStringLiteral("Exchange as one .zip file"));
    m_withImages->setText(QStringLiteral("with the compiled &images"));
    m_exportButton->setText(QStringLiteral("&Export..."));
    m_exportButton->setToolTip(QStringLiteral("Save the selected configuration as one .zip file"));
    m_importButton->setText(QStringLiteral("&Import..."));
    m_importButton->setToolTip(QStringLiteral("Add a configuration from a .zip file"));
    m_closeButton->setText(QStringLiteral("Close"));
}

void ManageConfigurationsDialog::prepareShowing()
{
    for (QLineEdit* e : {m_nameEdit, m_idOffsetEdit, m_txIdOffsetEdit, m_registerOffsetEdit, m_txRegisterOffsetEdit})
        e->clear();
    m_withImages->setChecked(false);
    m_statusLabel->clear();
    reload(m_session.ws.activeFolderName());
    m_configurationList->setFocus();
}

bool ManageConfigurationsDialog::execShow()
{
    prepareShowing();
    return exec() == QDialog::Accepted;
}

QString ManageConfigurationsDialog::selected() const
{
    const int row = m_configurationList->currentRow();
    return row >= 0 && row < m_names.size() ? m_names[row] : QString();
}

void ManageConfigurationsDialog::reload(const QString& select)
{
    m_names = listConfigurations(m_session.ws.projectsFolder);
    m_configurationList->clear();
    m_configurationList->addItems(m_names);
    const int found = findConfiguration(m_names, select);
    if (found >= 0 || !m_names.isEmpty())
        m_configurationList->setCurrentRow(found >= 0 ? found : 0);
    const bool any = !m_names.isEmpty();
    for (QPushButton* b : {m_duplicateButton, m_renameButton, m_deleteButton, m_exportButton})
        b->setEnabled(any);
}

void ManageConfigurationsDialog::run(const std::function<void()>& action)
{
    guarded(m_prompter, action);
}

void ManageConfigurationsDialog::duplicate()
{
    const QString from = selected();
    if (from.isEmpty())
        return;
    const CopyOffsets offsets = readCopyOffsets(m_idOffsetEdit->text(), m_txIdOffsetEdit->text(), m_registerOffsetEdit->text(),
                                                m_txRegisterOffsetEdit->text());
    const QString to = m_nameEdit->text();
    const QString projects = m_session.ws.projectsFolder;
    if (const NameRefusal refusal = copyConfiguration(projects + u'/' + from, projects, to, offsets)) {
        m_prompter.error(m_session.messages[*refusal]);
        return;
    }
    reload(to);
    m_statusLabel->setText(manage_text::duplicated(from, to));
}

void ManageConfigurationsDialog::rename()
{
    const QString from = selected();
    if (from.isEmpty())
        return;
    const QString to = m_nameEdit->text();
    if (const NameRefusal refusal = renameConfiguration(m_session, from, to)) {
        m_prompter.error(m_session.messages[*refusal]);
        return;
    }
    reload(to);
    m_statusLabel->setText(manage_text::renamed(from, to));
}

void ManageConfigurationsDialog::remove()
{
    const QString name = selected();
    if (name.isEmpty())
        return;
    const bool gone = deleteConfiguration(m_session, name, m_prompter, m_trash);
    reload(gone ? m_session.ws.activeFolderName() : name);
    if (gone)
        m_statusLabel->setText(manage_text::deleted(name));
}

void ManageConfigurationsDialog::exportSelected()
{
    const QString name = selected();
    if (name.isEmpty())
        return;
    const QString path = exportConfiguration(m_session, name, m_withImages->isChecked(), m_prompter, exchangeFolder);
    if (!path.isEmpty())
        m_statusLabel->setText(manage_text::exported(name, path));
}

void ManageConfigurationsDialog::import()
{
    const QString name = importConfiguration(m_session, m_prompter, exchangeFolder);
    if (name.isEmpty())
        return;
    reload(name);
    m_statusLabel->setText(manage_text::imported(name));
}

} // namespace px
