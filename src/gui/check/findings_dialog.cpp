#include "gui/check/findings_dialog.h"

#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "gui/check/finding_target.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

namespace px {

FindingsDialog::FindingsDialog(const MessageTable& messages, QWidget* parent) : QDialog(parent), m_messages(messages)
{
    setObjectName(QStringLiteral("findingsDialog"));
    auto* top = new QVBoxLayout(this);
    m_findingsIntro = new QLabel(this);
    m_findingsIntro->setObjectName(QStringLiteral("findingsIntroLabel"));
    m_findingsIntro->setWordWrap(true);
    m_findingsList = new QListWidget(this);
    m_findingsList->setObjectName(QStringLiteral("findingsList"));
    // A finding is read whole: long lines wrap at the list's width instead of running
    // off its edge.
    m_findingsList->setWordWrap(true);
    m_findingsList->setResizeMode(QListView::Adjust);
    m_findingsList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_findingsList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_findingsHint = new QLabel(this);
    m_findingsHint->setObjectName(QStringLiteral("findingsHintLabel"));
    m_backButton = new QPushButton(this);
    m_backButton->setObjectName(QStringLiteral("backButton"));
    m_continueButton = new QPushButton(this);
    m_continueButton->setObjectName(QStringLiteral("continueButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_backButton);
    buttons->addWidget(m_continueButton);
    top->addWidget(m_findingsIntro);
    top->addWidget(m_findingsList, 1);
    top->addWidget(m_findingsHint);
    top->addLayout(buttons);

    connect(m_backButton, &QPushButton::clicked, this, [this] {
        m_answer = {FindingsAnswer::Choice::Back, -1};
        reject();
    });
    connect(m_continueButton, &QPushButton::clicked, this, [this] {
        m_answer = {FindingsAnswer::Choice::Continue, -1};
        accept();
    });
    connect(m_findingsList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const int row = m_findingsList->row(item);
        if (row < 0 || row >= static_cast<int>(m_givenIndex.size()))
            return;
        m_answer = {FindingsAnswer::Choice::Open, m_givenIndex[static_cast<std::size_t>(row)]};
        accept();
    });
    resize(720, 380);
    applyLanguage();
}

void FindingsDialog::applyLanguage()
{
    const MessageTable& m = m_messages;
    setWindowTitle(m[msg::kFindingsTitle]);
    m_findingsHint->setText(m[msg::kDoubleClickHint]);
    m_backButton->setText(m[msg::kBack]);
    const bool errors = check::errorCount(m_findings) > 0;
    m_findingsIntro->setText(m[errors ? msg::kFindingsErrors : msg::kFindingsWarnings]);
    m_continueButton->setText(m[errors ? msg::kUpdateAnyway : msg::kContinue]);
    fillFindingsList(m_findingsList, m_findings, m);
}

void FindingsDialog::showFindings(const std::vector<check::Finding>& findings)
{
    // What stops the update is read first.
    m_givenIndex.resize(findings.size());
    std::iota(m_givenIndex.begin(), m_givenIndex.end(), 0);
    std::stable_partition(m_givenIndex.begin(), m_givenIndex.end(),
                          [&](int i) { return findings[static_cast<std::size_t>(i)].isError(); });
    m_findings.clear();
    m_findings.reserve(findings.size());
    for (const int i : m_givenIndex)
        m_findings.push_back(findings[static_cast<std::size_t>(i)]);
    m_answer = {FindingsAnswer::Choice::Back, -1};
    applyLanguage();
    // With errors only a deliberate click goes on: Enter presses Back, and Continue is
    // never the default. With warnings only, Continue is.
    const bool errors = check::errorCount(m_findings) > 0;
    m_backButton->setAutoDefault(errors);
    m_backButton->setDefault(errors);
    m_continueButton->setAutoDefault(!errors);
    m_continueButton->setDefault(!errors);
    (errors ? m_backButton : m_continueButton)->setFocus();
}

FindingsAnswer FindingsDialog::review(const std::vector<check::Finding>& findings)
{
    showFindings(findings);
    exec();
    return m_answer;
}

} // namespace px
