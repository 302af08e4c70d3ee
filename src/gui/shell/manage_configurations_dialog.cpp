#include "gui/shell/manage_configurations_dialog.h"

#include "core/config/configuration.h"
#include "core/lang/message_ids.h"
#include "core/services/prompter.h"
#include "core/shell/config_copy.h"
#include "core/shell/config_archive.h"
#include "core/shell/config_manage.h"
#include "core/shell/session.h"
#include "core/update/configuration_diff.h"
#include "core/update/update_history.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/guard.h"
#include "gui/common/title_band.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
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

ManageConfigurationsDialog::ManageConfigurationsDialog(Session& session, Prompter& prompter, Trash& trash,
                                                       ConfigurationArchives& archives, QWidget* parent)
    : QDialog(parent), exchangeFolder(QDir::homePath()), m_session(session), m_prompter(prompter), m_trash(trash),
      m_archives(archives)
{
    setObjectName(QStringLiteral("manageConfigurationsDialog"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("descriptionLabel"), this);
    top->addWidget(m_band);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(12, 8, 12, 0);
    auto* left = new QVBoxLayout;
    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_configurationList = new QListWidget(this);
    m_configurationList->setObjectName(QStringLiteral("configurationList"));
    m_configurationList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_nameLabel->setBuddy(m_configurationList);
    left->addWidget(m_nameLabel);
    left->addWidget(m_configurationList, 1);
    body->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    m_copyGroup = new QGroupBox(this);
    m_copyGroup->setObjectName(QStringLiteral("copyGroup"));
    auto* copyGrid = new QGridLayout(m_copyGroup);
    m_nameEdit = field(m_copyGroup, "newNameEdit", m_newNameLabel, "newNameLabel");
    m_idOffsetEdit = field(m_copyGroup, "receiveIdOffsetEdit", m_idOffsetLabel, "receiveIdOffsetLabel");
    m_txIdOffsetEdit = field(m_copyGroup, "transmitIdOffsetEdit", m_txIdOffsetLabel, "transmitIdOffsetLabel");
    m_registerOffsetEdit = field(m_copyGroup, "receiveRegisterOffsetEdit", m_registerOffsetLabel, "receiveRegisterOffsetLabel");
    m_txRegisterOffsetEdit = field(m_copyGroup, "transmitRegisterOffsetEdit", m_txRegisterOffsetLabel, "transmitRegisterOffsetLabel");
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
    m_duplicateButton = plainButton(m_copyGroup, "duplicateButton");
    m_renameButton = plainButton(m_copyGroup, "renameButton");
    auto* copyButtons = new QHBoxLayout;
    copyButtons->addWidget(m_duplicateButton);
    copyButtons->addWidget(m_renameButton);
    copyButtons->addStretch(1);
    copyGrid->addLayout(copyButtons, 3, 0, 1, 4);
    right->addWidget(m_copyGroup);

    m_exchangeGroup = new QGroupBox(this);
    m_exchangeGroup->setObjectName(QStringLiteral("exchangeGroup"));
    auto* exchange = new QHBoxLayout(m_exchangeGroup);
    m_withImages = new QCheckBox(m_exchangeGroup);
    m_withImages->setObjectName(QStringLiteral("withImagesCheck"));
    m_exportButton = plainButton(m_exchangeGroup, "exportButton");
    m_importButton = plainButton(m_exchangeGroup, "importButton");
    exchange->addWidget(m_exportButton);
    exchange->addWidget(m_withImages);
    exchange->addStretch(1);
    exchange->addWidget(m_importButton);
    right->addWidget(m_exchangeGroup);

    m_deleteButton = plainButton(this, "deleteButton");
    auto* deleteRow = new QHBoxLayout;
    deleteRow->addWidget(m_deleteButton);
    deleteRow->addStretch(1);
    right->addLayout(deleteRow);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_statusLabel->setWordWrap(true);
    right->addWidget(m_statusLabel);
    right->addStretch(1);
    m_closeButton = plainButton(this, "closeButton");
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(m_closeButton);
    right->addLayout(closeRow);
    body->addLayout(right, 2);
    top->addLayout(body, 1);

    // The updates of the selected configuration, and Compare beside them.
    m_historyGroup = new QGroupBox(this);
    m_historyGroup->setObjectName(QStringLiteral("historyGroup"));
    auto* history = new QHBoxLayout(m_historyGroup);
    m_historyList = new QListWidget(m_historyGroup);
    m_historyList->setObjectName(QStringLiteral("historyList"));
    m_historyList->setSelectionMode(QAbstractItemView::SingleSelection);
    // Small at least: the window must fit low screens, the lists scroll.
    m_historyList->setMinimumHeight(20);
    // The list and Compare share the width as the user drags it; an entry's whole line is
    // also its tool tip.
    auto* historySplitter = new QSplitter(Qt::Horizontal, m_historyGroup);
    historySplitter->setChildrenCollapsible(false);
    historySplitter->addWidget(m_historyList);
    auto* comparePane = new QWidget(historySplitter);
    auto* compareSide = new QVBoxLayout(comparePane);
    compareSide->setContentsMargins(0, 0, 0, 0);
    auto* compareRow = new QHBoxLayout;
    m_compareWithLabel = new QLabel(m_historyGroup);
    m_compareWithLabel->setObjectName(QStringLiteral("compareWithLabel"));
    m_compareWith = new QComboBox(m_historyGroup);
    m_compareWith->setObjectName(QStringLiteral("compareWithChoice"));
    m_compareWithLabel->setBuddy(m_compareWith);
    m_compareButton = plainButton(m_historyGroup, "compareButton");
    compareRow->addWidget(m_compareWithLabel);
    compareRow->addWidget(m_compareWith, 1);
    compareRow->addWidget(m_compareButton);
    compareSide->addLayout(compareRow);
    m_compareHeading = new QLabel(m_historyGroup);
    m_compareHeading->setObjectName(QStringLiteral("compareHeadingLabel"));
    m_compareHeading->setTextFormat(Qt::PlainText);
    m_compareHeading->setWordWrap(true);
    compareSide->addWidget(m_compareHeading);
    m_compareTable = new QTableWidget(0, 5, m_historyGroup);
    m_compareTable->setObjectName(QStringLiteral("compareTable"));
    m_compareTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_compareTable->verticalHeader()->hide();
    m_compareTable->horizontalHeader()->setStretchLastSection(true);
    m_compareTable->setMinimumHeight(20);
    compareSide->addWidget(m_compareTable, 1);
    historySplitter->addWidget(comparePane);
    historySplitter->setStretchFactor(0, 2);
    historySplitter->setStretchFactor(1, 3);
    history->addWidget(historySplitter);
    auto* historyRow = new QHBoxLayout;
    historyRow->setContentsMargins(12, 0, 12, 0);
    historyRow->addWidget(m_historyGroup);
    top->addLayout(historyRow, 2);
    connect(m_configurationList, &QListWidget::currentRowChanged, this, [this] { showHistory(); });
    connect(m_compareButton, &QPushButton::clicked, this, [this] { run([this] { compare(); }); });

    connect(m_duplicateButton, &QPushButton::clicked, this, [this] { run([this] { duplicate(); }); });
    connect(m_renameButton, &QPushButton::clicked, this, [this] { run([this] { rename(); }); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { run([this] { remove(); }); });
    connect(m_exportButton, &QPushButton::clicked, this, [this] { run([this] { exportSelected(); }); });
    connect(m_importButton, &QPushButton::clicked, this, [this] { run([this] { import(); }); });
    connect(m_closeButton, &QPushButton::clicked, this, &ManageConfigurationsDialog::accept);

    resize(900, 640);
    applyLanguage();
}

void ManageConfigurationsDialog::applyLanguage()
{
    // The list's title is the Open dialog's.
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[msg::kManageTitle]);
    m_band->descriptionLabel()->setText(m[msg::kManageDescription]);
    m_nameLabel->setText(m[msg::kOpenConfigListLabel]);
    m_copyGroup->setTitle(m[msg::kManageCopyGroup]);
    m_newNameLabel->setText(m[msg::kManageNewName]);
    m_idOffsetLabel->setText(m[msg::kManageReceiveIdOffset]);
    m_txIdOffsetLabel->setText(m[msg::kManageTransmitIdOffset]);
    m_registerOffsetLabel->setText(m[msg::kManageReceiveRegisterOffset]);
    m_txRegisterOffsetLabel->setText(m[msg::kManageTransmitRegisterOffset]);
    for (QLineEdit* e : {m_idOffsetEdit, m_registerOffsetEdit})
        e->setPlaceholderText(QStringLiteral("0"));
    for (QLineEdit* e : {m_txIdOffsetEdit, m_txRegisterOffsetEdit})
        e->setPlaceholderText(m[msg::kManageAsReceive]);
    m_nameEdit->setToolTip(m[msg::kManageNewNameHint]);
    m_idOffsetEdit->setToolTip(m[msg::kManageReceiveIdOffsetHint]);
    m_txIdOffsetEdit->setToolTip(m[msg::kManageTransmitIdOffsetHint]);
    m_registerOffsetEdit->setToolTip(m[msg::kManageReceiveRegisterOffsetHint]);
    m_txRegisterOffsetEdit->setToolTip(m[msg::kManageTransmitRegisterOffsetHint]);
    m_duplicateButton->setText(m[msg::kManageDuplicate]);
    m_duplicateButton->setToolTip(m[msg::kManageDuplicateHint]);
    m_renameButton->setText(m[msg::kManageRename]);
    m_renameButton->setToolTip(m[msg::kManageRenameHint]);
    m_deleteButton->setText(m[msg::kManageDelete]);
    m_deleteButton->setToolTip(m[msg::kManageDeleteHint]);
    m_exchangeGroup->setTitle(m[msg::kManageExchangeGroup]);
    m_withImages->setText(m[msg::kManageWithImages]);
    m_exportButton->setText(m[msg::kManageExport]);
    m_exportButton->setToolTip(m[msg::kManageExportHint]);
    m_importButton->setText(m[msg::kManageImport]);
    m_importButton->setToolTip(m[msg::kManageImportHint]);
    m_closeButton->setText(m[msg::kManageClose]);
    m_historyGroup->setTitle(m[msg::kManageHistoryGroup]);
    m_historyList->setToolTip(m[msg::kManageHistoryHint]);
    m_compareWithLabel->setText(m[msg::kManageCompareWith]);
    m_compareButton->setText(m[msg::kManageCompare]);
    m_compareButton->setToolTip(m[msg::kManageCompareHint]);
    if (m_compareWith->count() > 0)
        m_compareWith->setItemText(0, m[msg::kManageCompareNow]);
    m_compareTable->setHorizontalHeaderLabels(
        {m[msg::kManageColumnItem], m[msg::kManageColumnChange], m[msg::kManageColumnValue], QStringLiteral("A"),
         QStringLiteral("B")});
}

void ManageConfigurationsDialog::prepareShowing()
{
    for (QLineEdit* e : {m_nameEdit, m_idOffsetEdit, m_txIdOffsetEdit, m_registerOffsetEdit, m_txRegisterOffsetEdit})
        e->clear();
    m_withImages->setChecked(false);
    m_statusLabel->clear();
    m_compareHeading->clear();
    m_compareTable->setRowCount(0);
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
    for (QPushButton* b : {m_duplicateButton, m_renameButton, m_deleteButton, m_exportButton, m_compareButton})
        b->setEnabled(any);
    showHistory();
}

void ManageConfigurationsDialog::showHistory()
{
    const MessageTable& m = m_session.messages;
    const QString name = selected();
    m_historyList->clear();
    m_historyFolders.clear();
    m_compareWith->clear();
    m_compareWith->addItem(m[msg::kManageCompareNow]);
    if (name.isEmpty())
        return;
    for (const QString& other : m_names) {
        if (other != name)
            m_compareWith->addItem(other);
    }
    const std::vector<HistoryEntry> entries = readUpdateHistory(m_session.ws.projectsFolder + u'/' + name);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        auto* item = new QListWidgetItem(historyEntryText(m, *it), m_historyList);
        item->setToolTip(item->text());
        m_historyFolders << it->folder;
    }
}

void ManageConfigurationsDialog::compare()
{
    const MessageTable& m = m_session.messages;
    const QString name = selected();
    if (name.isEmpty())
        return;
    const QString projects = m_session.ws.projectsFolder;
    // A: the selected update, or the configuration when none is selected; B: the
    // configuration chosen beside, the selected one as it is now by default.
    const int entry = m_historyList->currentRow();
    const bool fromEntry = entry >= 0 && entry < m_historyFolders.size();
    const QString folderA = fromEntry ? m_historyFolders[entry] : projects + u'/' + name;
    const QString labelA = fromEntry ? m_historyList->item(entry)->text() : name;
    const QString nameB = m_compareWith->currentIndex() > 0 ? m_compareWith->currentText() : name;
    const ConfigurationDiff diff =
        diffConfigurations(config::readConfiguration(folderA), config::readConfiguration(projects + u'/' + nameB));
    m_compareHeading->setText(m[msg::kDiffHeading].arg(labelA, nameB)
                              + (diff.empty() ? QStringLiteral(": ") + m[msg::kDiffNone] : QString()));
    const std::vector<DiffRow> rows = diffRows(diff, m);
    m_compareTable->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const DiffRow& row = rows[static_cast<std::size_t>(r)];
        const QString cells[] = {row.item, row.change, row.value, row.a, row.b};
        for (int c = 0; c < 5; ++c)
            m_compareTable->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    m_compareTable->resizeColumnsToContents();
}

void ManageConfigurationsDialog::run(const std::function<void()>& action)
{
    guarded(m_prompter, m_session.messages, action);
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
    m_statusLabel->setText(manage_text::duplicated(m_session.messages, from, to));
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
    m_statusLabel->setText(manage_text::renamed(m_session.messages, from, to));
}

void ManageConfigurationsDialog::remove()
{
    const QString name = selected();
    if (name.isEmpty())
        return;
    const MessageTable& m = m_session.messages;
    switch (deleteQuestion(m_session, name, m_trash)) {
    case DeleteQuestion::RefusedActive:
        m_prompter.error(manage_text::activeCannotBeDeleted(m, name));
        return;
    case DeleteQuestion::ForGoodWithoutTrash:
        // Nothing to move it to: the one question says so.
        if (!m_prompter.yesNo(manage_text::noTrashDeleteForGood(m, name)))
            return;
        deleteConfigurationForGood(m_session, name);
        break;
    case DeleteQuestion::ToTrash:
        if (!m_prompter.yesNo(manage_text::confirmDelete(m, name)))
            return;
        if (!moveConfigurationToTrash(m_session, name, m_trash)) {
            if (!m_prompter.yesNo(manage_text::confirmDeleteForGood(m, name)))
                return;
            deleteConfigurationForGood(m_session, name);
        }
        break;
    }
    reload(m_session.ws.activeFolderName());
    m_statusLabel->setText(manage_text::deleted(m, name));
}

void ManageConfigurationsDialog::exportSelected()
{
    const QString name = selected();
    if (name.isEmpty())
        return;
    QString path = m_prompter.saveFile(proposedArchivePath(exchangeFolder, name), kArchiveFilter);
    if (path.isEmpty())
        return;
    path = QDir::fromNativeSeparators(path);
    exportConfiguration(m_session, m_archives, name, m_withImages->isChecked(), path);
    m_statusLabel->setText(manage_text::exported(m_session.messages, name, path));
}

void ManageConfigurationsDialog::import()
{
    QString path = m_prompter.openFile(exchangeFolder, kArchiveFilter);
    if (path.isEmpty())
        return;
    path = QDir::fromNativeSeparators(path);
    const ConfigurationArchive archive = m_archives.load(path);
    // The manifest's name first; a name refused by the rules of New says why and is asked
    // for again, as typed.
    QString proposed = archive.manifest.configuration;
    for (;;) {
        const std::optional<QString> name =
            m_prompter.askText(manage_text::importName(m_session.messages, QFileInfo(path).fileName()), proposed);
        if (!name)
            return;
        if (const NameRefusal refusal = m_archives.unpack(archive, m_session.ws.projectsFolder, *name)) {
            m_prompter.error(m_session.messages[*refusal]);
            proposed = *name;
            continue;
        }
        reload(*name);
        m_statusLabel->setText(manage_text::imported(m_session.messages, *name));
        return;
    }
}

} // namespace px
