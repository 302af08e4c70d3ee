#include "gui/shell/open_configuration_dialog.h"

#include "core/lang/message_ids.h"
#include "core/shell/session.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/title_band.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

OpenConfigurationDialog::OpenConfigurationDialog(Session& session, QWidget* parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("openConfigurationDialog"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("descriptionLabel"), this);
    top->addWidget(m_band);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(12, 8, 12, 0);
    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_configurationList = new QListWidget(this);
    m_configurationList->setObjectName(QStringLiteral("configurationList"));
    m_configurationList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_nameLabel->setBuddy(m_configurationList);
    const OkCancelButtons okCancel = okCancelButtons(this);
    m_okButton = okCancel.ok;
    m_cancelButton = okCancel.cancel;
    grid->addWidget(m_nameLabel, 0, 0);
    grid->addWidget(m_configurationList, 1, 0, 3, 1);
    grid->addWidget(m_okButton, 1, 1);
    grid->addWidget(m_cancelButton, 2, 1);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(0, 1);
    top->addLayout(grid, 1);

    connect(m_configurationList, &QListWidget::currentRowChanged, this, [this] { configurationChosen(); });
    // A double click on a name opens that configuration, as OK does.
    connect(m_configurationList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item == nullptr)
            return;
        m_configurationList->setCurrentItem(item);
        configurationChosen();
        accept();
    });

    resize(377, 351);
    applyLanguage();
}

void OpenConfigurationDialog::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[msg::kOpenConfigTitle]);
    m_band->descriptionLabel()->setText(m[msg::kOpenConfigDescription]);
    m_nameLabel->setText(m[msg::kOpenConfigListLabel]);
    m_okButton->setText(m[msg::kOpenConfigOk]);
    m_cancelButton->setText(m[msg::kOpenConfigCancel]);
    m_configurationList->setToolTip(m[msg::kOpenConfigListHint]);
    m_okButton->setToolTip(m[msg::kOpenConfigOkHint]);
    m_cancelButton->setToolTip(m[msg::kOpenConfigCancelHint]);
}

void OpenConfigurationDialog::prepareShowing()
{
    m_names = listConfigurations(m_session.ws.projectsFolder);
    {
        const QSignalBlocker block(m_configurationList);
        m_configurationList->clear();
        m_configurationList->addItems(m_names);
    }
    const int found = findConfiguration(m_names, m_session.ws.activeFolderName());
    if (found >= 0 || !m_names.isEmpty()) {
        m_configurationList->setCurrentRow(found >= 0 ? found : 0);
        m_chosenName = m_names[found >= 0 ? found : 0];
    } else {
        m_chosenName.clear();
    }
    m_configurationList->setFocus();
}

bool OpenConfigurationDialog::execShow()
{
    prepareShowing();
    return exec() == QDialog::Accepted;
}

void OpenConfigurationDialog::accept()
{
    m_session.ws.activate(m_chosenName);
    QDialog::accept();
}

void OpenConfigurationDialog::configurationChosen()
{
    const int row = m_configurationList->currentRow();
    if (row >= 0 && row < m_names.size())
        m_chosenName = m_names[row];
}

} // namespace px
