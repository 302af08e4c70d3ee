#include "gui/shell/new_configuration_dialog.h"

#include "core/lang/message_ids.h"
#include "core/services/prompter.h"
#include "core/shell/session.h"
#include "gui/common/dialog_buttons.h"
#include "gui/common/screen_fit.h"
#include "gui/common/title_band.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

NewConfigurationDialog::NewConfigurationDialog(Session& session, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompter(prompter)
{
    setObjectName(QStringLiteral("newConfigurationDialog"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("descriptionLabel"), this);
    top->addWidget(m_band);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 8, 12, 0);
    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("nameEdit"));
    m_nameLabel->setBuddy(m_nameEdit);
    body->addWidget(m_nameLabel);
    body->addWidget(m_nameEdit);
    body->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const OkCancelButtons okCancel = okCancelButtons(this);
    m_okButton = okCancel.ok;
    m_cancelButton = okCancel.cancel;
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    body->addLayout(buttons);
    top->addLayout(body);

    // Enter in the name field does exactly what OK does: OK is the default button.

    applyLanguage();
}

void NewConfigurationDialog::applyLanguage()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[msg::kNewConfigTitle]);
    m_band->descriptionLabel()->setText(m[msg::kNewConfigDescription]);
    m_nameLabel->setText(m[msg::kNewConfigNameLabel]);
    m_okButton->setText(m[msg::kNewConfigOk]);
    m_cancelButton->setText(m[msg::kNewConfigCancel]);
    m_nameEdit->setToolTip(m[msg::kNewConfigNameHint]);
    m_okButton->setToolTip(m[msg::kNewConfigOkHint]);
    m_cancelButton->setToolTip(m[msg::kNewConfigCancelHint]);
    fixSizeToContent(*this, QSize(331, 162));
}

void NewConfigurationDialog::prepareShowing()
{
    m_nameEdit->clear();
    m_nameEdit->setFocus();
}

bool NewConfigurationDialog::execShow()
{
    prepareShowing();
    return exec() == QDialog::Accepted;
}

void NewConfigurationDialog::accept()
{
    if (const NameRefusal refusal = createConfiguration(m_session.ws, m_nameEdit->text())) {
        m_prompter.error(m_session.messages[*refusal]);
        return;
    }
    QDialog::accept();
}

} // namespace px
