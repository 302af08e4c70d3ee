#include "gui/shell/new_project_dialog.h"

#include "core/platform/prompter.h"
#include "core/shell/session.h"
#include "gui/common/title_band.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

TFNew_Project::TFNew_Project(Session& session, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompter(prompter)
{
    setObjectName(QStringLiteral("TFNew_Project"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("L_SW_Desc"), this);
    top->addWidget(m_band);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 8, 12, 0);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    E_New_Proj = new QLineEdit(this);
    E_New_Proj->setObjectName(QStringLiteral("E_New_Proj"));
    Label1->setBuddy(E_New_Proj);
    body->addWidget(Label1);
    body->addWidget(E_New_Proj);
    body->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Btn_OK = new QPushButton(this);
    Btn_OK->setObjectName(QStringLiteral("Btn_OK"));
    Btn_OK->setDefault(true);
    Btn_Cancel = new QPushButton(this);
    Btn_Cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    buttons->addWidget(Btn_OK);
    buttons->addWidget(Btn_Cancel);
    body->addLayout(buttons);
    top->addLayout(body);

    connect(Btn_OK, &QPushButton::clicked, this, &TFNew_Project::accept);
    connect(Btn_Cancel, &QPushButton::clicked, this, &TFNew_Project::reject);
    // Enter in the name field does exactly what OK does: OK is the default button.

    setFixedSize(331, 162);
    Set_Lang();
}

void TFNew_Project::Set_Lang()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[25]);
    m_band->descriptionLabel()->setText(m[26]);
    Label1->setText(m[27]);
    Btn_OK->setText(m[28]);
    Btn_Cancel->setText(m[29]);
    E_New_Proj->setToolTip(m[263]);
    Btn_OK->setToolTip(m[264]);
    Btn_Cancel->setToolTip(m[265]);
}

void TFNew_Project::FormShow()
{
    E_New_Proj->clear();
    E_New_Proj->setFocus();
}

bool TFNew_Project::execShow()
{
    FormShow();
    return exec() == QDialog::Accepted;
}

void TFNew_Project::accept()
{
    const int refusal = createConfiguration(m_session.ws, E_New_Proj->text());
    if (refusal != 0) {
        m_prompter.error(m_session.messages[refusal]);
        return;
    }
    QDialog::accept();
}

} // namespace px
