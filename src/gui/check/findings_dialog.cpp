#include "gui/check/findings_dialog.h"

#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "gui/check/finding_target.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

FindingsDialog::FindingsDialog(const MessageTable& messages, QWidget* parent) : QDialog(parent), m_messages(messages)
{
    setObjectName(QStringLiteral("TFFindings"));
    auto* top = new QVBoxLayout(this);
    L_Findings_Intro = new QLabel(this);
    L_Findings_Intro->setObjectName(QStringLiteral("L_Findings_Intro"));
    L_Findings_Intro->setWordWrap(true);
    LB_Findings = new QListWidget(this);
    LB_Findings->setObjectName(QStringLiteral("LB_Findings"));
    L_Findings_Hint = new QLabel(this);
    L_Findings_Hint->setObjectName(QStringLiteral("L_Findings_Hint"));
    Btn_Back = new QPushButton(this);
    Btn_Back->setObjectName(QStringLiteral("Btn_Back"));
    Btn_Continue = new QPushButton(this);
    Btn_Continue->setObjectName(QStringLiteral("Btn_Continue"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Btn_Back);
    buttons->addWidget(Btn_Continue);
    top->addWidget(L_Findings_Intro);
    top->addWidget(LB_Findings, 1);
    top->addWidget(L_Findings_Hint);
    top->addLayout(buttons);

    connect(Btn_Back, &QPushButton::clicked, this, [this] {
        m_answer = {FindingsAnswer::Choice::Back, -1};
        reject();
    });
    connect(Btn_Continue, &QPushButton::clicked, this, [this] {
        m_answer = {FindingsAnswer::Choice::Continue, -1};
        accept();
    });
    connect(LB_Findings, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        m_answer = {FindingsAnswer::Choice::Open, LB_Findings->row(item)};
        accept();
    });
    resize(720, 380);
    applyLanguage();
}

void FindingsDialog::applyLanguage()
{
    const MessageTable& m = m_messages;
    setWindowTitle(m[msg::kFindingsTitle]);
    L_Findings_Hint->setText(m[msg::kDoubleClickHint]);
    Btn_Back->setText(m[msg::kBack]);
    const bool errors = check::errorCount(m_findings) > 0;
    L_Findings_Intro->setText(m[errors ? msg::kFindingsErrors : msg::kFindingsWarnings]);
    Btn_Continue->setText(m[errors ? msg::kUpdateAnyway : msg::kContinue]);
    if (!m_findings.empty())
        fillFindingsList(LB_Findings, m_findings, m);
}

void FindingsDialog::showFindings(const std::vector<check::Finding>& findings)
{
    m_findings = findings;
    m_answer = {FindingsAnswer::Choice::Back, -1};
    applyLanguage();
    fillFindingsList(LB_Findings, m_findings, m_messages);
    // With errors only a deliberate click goes on: Enter presses Back, and Continue is
    // never the default. With warnings only, Continue is.
    const bool errors = check::errorCount(m_findings) > 0;
    Btn_Back->setAutoDefault(errors);
    Btn_Back->setDefault(errors);
    Btn_Continue->setAutoDefault(!errors);
    Btn_Continue->setDefault(!errors);
    (errors ? Btn_Back : Btn_Continue)->setFocus();
}

FindingsAnswer FindingsDialog::review(const std::vector<check::Finding>& findings)
{
    showFindings(findings);
    exec();
    return m_answer;
}

} // namespace px
