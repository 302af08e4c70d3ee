#include "gui/exchange/import_picker_dialog.h"

#include "core/frames/frame_list.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "core/services/prompter.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace px {
namespace {

using exchange::Direction;
using exchange::ImportMessage;

QTableWidgetItem* textItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QString formatText(bool extended)
{
    return extended ? kCobType29 : kCobType11;
}

QString byteText(int byte, const MessageTable& m)
{
    return byte == 0 ? m[msg::kPickerNone] : QString(m[msg::kPickerByte]).arg(byte);
}

QTableWidget* makeTable(QWidget* parent, const char* name, const QString& accessible)
{
    auto* t = new QTableWidget(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setAccessibleName(accessible);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->setVisible(false);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

} // namespace

ImportPickerDialog::ImportPickerDialog(Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_english(std::make_unique<MessageTable>()), m_texts(*m_english)
{
    build();
}

ImportPickerDialog::~ImportPickerDialog() = default;

QString ImportPickerDialog::text(int id) const
{
    return m_texts[id];
}

ImportPickerDialog::ImportPickerDialog(Prompter& prompter, const MessageTable& messages, QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_texts(messages)
{
    build();
}

void ImportPickerDialog::build()
{
    setWindowTitle(text(msg::kPickerTitle));
    auto* top = new QVBoxLayout(this);

    m_fileLabel = new QLabel(this);
    m_fileLabel->setObjectName(QStringLiteral("fileLabel"));
    top->addWidget(m_fileLabel);

    auto* filterRow = new QHBoxLayout;
    auto* filterLabel = new QLabel(text(msg::kPickerFilter), this);
    m_filterEdit = new QLineEdit(this);
    m_filterEdit->setObjectName(QStringLiteral("filterEdit"));
    m_filterEdit->setAccessibleName(text(msg::kPickerFilterName));
    m_filterEdit->setPlaceholderText(text(msg::kPickerFilterPlaceholder));
    filterLabel->setBuddy(m_filterEdit);
    m_checkShownButton = new QPushButton(text(msg::kPickerTickShown), this);
    m_checkShownButton->setObjectName(QStringLiteral("checkShownButton"));
    m_uncheckAllButton = new QPushButton(text(msg::kPickerUntickAll), this);
    m_uncheckAllButton->setObjectName(QStringLiteral("uncheckAllButton"));
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_filterEdit, 1);
    filterRow->addWidget(m_checkShownButton);
    filterRow->addWidget(m_uncheckAllButton);
    top->addLayout(filterRow);

    m_messagesTable = makeTable(this, "fileFramesTable", text(msg::kPickerFileFrames));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_messagesTable);

    auto* preview = new QGroupBox(text(msg::kPickerPreview), this);
    auto* previewLayout = new QVBoxLayout(preview);
    auto* registerRow = new QHBoxLayout;
    auto* firstLabel = new QLabel(text(msg::kPickerFirstRegister), preview);
    m_firstRegisterBox = new QSpinBox(preview);
    m_firstRegisterBox->setObjectName(QStringLiteral("firstRegisterBox"));
    m_firstRegisterBox->setAccessibleName(text(msg::kPickerFirstRegisterName));
    m_firstRegisterBox->setRange(0, exchange::kMaxRegisterIndex);
    firstLabel->setBuddy(m_firstRegisterBox);
    m_noteLabel = new QLabel(text(msg::kPickerNote), preview);
    m_noteLabel->setObjectName(QStringLiteral("noteLabel"));
    m_noteLabel->setWordWrap(true);
    registerRow->addWidget(firstLabel);
    registerRow->addWidget(m_firstRegisterBox);
    registerRow->addWidget(m_noteLabel, 1);
    previewLayout->addLayout(registerRow);

    auto* tables = new QHBoxLayout;
    m_framesTable = makeTable(preview, "previewFramesTable", text(msg::kPickerFrameRows));
    m_entriesTable = makeTable(preview, "previewEntriesTable", text(msg::kPickerEntries));
    tables->addWidget(m_framesTable, 3);
    tables->addWidget(m_entriesTable, 2);
    previewLayout->addLayout(tables, 1);
    m_notMappedList = new QListWidget(preview);
    m_notMappedList->setObjectName(QStringLiteral("notMappedList"));
    m_notMappedList->setAccessibleName(text(msg::kPickerNotMapped));
    m_notMappedList->setMaximumHeight(90);
    previewLayout->addWidget(m_notMappedList);
    split->addWidget(preview);
    top->addWidget(split, 1);

    auto* buttons = new QHBoxLayout;
    m_summaryLabel = new QLabel(this);
    m_summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    m_importButton = new QPushButton(text(msg::kPickerImport), this);
    m_importButton->setObjectName(QStringLiteral("importButton"));
    m_cancelButton = new QPushButton(text(msg::kPickerCancel), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* b : {m_checkShownButton, m_uncheckAllButton, m_importButton, m_cancelButton})
        b->setAutoDefault(false);
    buttons->addWidget(m_summaryLabel, 1);
    buttons->addWidget(m_importButton);
    buttons->addWidget(m_cancelButton);
    top->addLayout(buttons);

    connect(m_filterEdit, &QLineEdit::textChanged, this, &ImportPickerDialog::applyFilter);
    connect(m_checkShownButton, &QPushButton::clicked, this, [this] { setShownChecked(true); });
    connect(m_uncheckAllButton, &QPushButton::clicked, this, [this] {
        std::fill(m_checked.begin(), m_checked.end(), false);
        fillMessages();
        replan();
    });
    connect(m_messagesTable, &QTableWidget::itemChanged, this, &ImportPickerDialog::messageItemChanged);
    connect(m_firstRegisterBox, &QSpinBox::valueChanged, this, [this] { replan(); });
    connect(m_importButton, &QPushButton::clicked, this, &ImportPickerDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &ImportPickerDialog::reject);
    resize(980, 700);
}

void ImportPickerDialog::prepareShowing(const QString& fileName, std::vector<ImportMessage> messages,
                                  const exchange::ImportTarget& target, const QStringList& warnings)
{
    m_messages = std::move(messages);
    m_warnings = warnings;
    m_checked.assign(m_messages.size(), false);
    m_target = target;
    const bool receive = target.direction == Direction::Receive;
    m_fileLabel->setText(text(msg::kPickerFileLine)
                        .arg(fileName)
                        .arg(m_messages.size())
                        .arg(receive ? text(msg::kPickerReceiveList) : text(msg::kPickerTransmitList))
                        .arg(target.existingFrames));
    m_filling = true;
    m_filterEdit->clear();
    m_firstRegisterBox->setValue(target.firstRegister);
    m_filling = false;
    fillMessages();
    replan();
}

void ImportPickerDialog::fillMessages()
{
    const bool capture = !m_messages.empty() && m_messages.front().fromCapture;
    const QStringList headers = capture
        ? QStringList{text(msg::kPickerIdentifier), text(msg::kPickerFormat), text(msg::kPickerDataLength),
                      text(msg::kPickerFrameCount), text(msg::kPickerMeanPeriod), text(msg::kPickerFirstData)}
        : QStringList{text(msg::kPickerIdentifier), text(msg::kPickerFormat), text(msg::kPickerDataLength),
                      text(msg::kPickerName), text(msg::kPickerSender), text(msg::kPickerCycleTime),
                      text(msg::kPickerSignals), text(msg::kPickerMapped), text(msg::kPickerNoteColumn)};
    m_filling = true;
    m_messagesTable->clear();
    m_messagesTable->setColumnCount(static_cast<int>(headers.size()));
    m_messagesTable->setHorizontalHeaderLabels(headers);
    m_messagesTable->setRowCount(static_cast<int>(m_messages.size()));
    for (int r = 0; r < static_cast<int>(m_messages.size()); ++r) {
        const ImportMessage& m = m_messages[static_cast<size_t>(r)];
        auto* id = new QTableWidgetItem(exchange::identifierText(m.id));
        id->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        id->setCheckState(m_checked[static_cast<size_t>(r)] ? Qt::Checked : Qt::Unchecked);
        m_messagesTable->setItem(r, 0, id);
        m_messagesTable->setItem(r, 1, textItem(formatText(m.extended)));
        m_messagesTable->setItem(r, 2, textItem(QString::number(m.length)));
        if (capture) {
            m_messagesTable->setItem(r, 3, textItem(QString::number(m.frameCount)));
            m_messagesTable->setItem(r, 4, textItem(m.meanPeriodMs ? text(msg::kPickerMilliseconds).arg(*m.meanPeriodMs, 0, 'f', 1) : QString()));
            m_messagesTable->setItem(r, 5, textItem(QString::fromLatin1(m.firstData.toHex(' ').toUpper())));
        } else {
            m_messagesTable->setItem(r, 3, textItem(m.name));
            m_messagesTable->setItem(r, 4, textItem(m.sender));
            QString cycle;
            if (m.cycleTimeMs)
                cycle = text(msg::kPickerMilliseconds).arg(*m.cycleTimeMs);
            else if (m.ignoredDefaultCycleMs)
                cycle = text(msg::kPickerDefaultCycleIgnored).arg(*m.ignoredDefaultCycleMs, 0, 'f', 0);
            m_messagesTable->setItem(r, 5, textItem(cycle));
            m_messagesTable->setItem(r, 6, textItem(QString::number(m.signalList.size())));
            m_messagesTable->setItem(r, 7, textItem(QString::number(m.signalsThatMap())));
            QString note = m.notImportable.isEmpty() ? QString() : text(msg::kPickerNotImportable) + m.notImportable;
            if (note.isEmpty() && m_target.existingIds.count(exchange::frameKey(m.id, m.extended)))
                note = text(msg::kPickerAlreadyInList);
            m_messagesTable->setItem(r, 8, textItem(note));
        }
    }
    m_messagesTable->resizeColumnsToContents();
    m_filling = false;
    applyFilter();
}

void ImportPickerDialog::applyFilter()
{
    const QString filter = m_filterEdit->text();
    for (int r = 0; r < m_messagesTable->rowCount(); ++r)
        m_messagesTable->setRowHidden(r, !exchange::matchesFilter(m_messages[static_cast<size_t>(r)], filter));
}

void ImportPickerDialog::setShownChecked(bool checked)
{
    for (int r = 0; r < m_messagesTable->rowCount(); ++r) {
        if (!m_messagesTable->isRowHidden(r))
            m_checked[static_cast<size_t>(r)] = checked;
    }
    fillMessages();
    replan();
}

void ImportPickerDialog::messageItemChanged(QTableWidgetItem* item)
{
    if (m_filling || item->column() != 0)
        return;
    const size_t r = static_cast<size_t>(item->row());
    if (r >= m_checked.size())
        return;
    const bool checked = item->checkState() == Qt::Checked;
    if (m_checked[r] == checked)
        return;
    m_checked[r] = checked;
    replan();
}

std::vector<ImportMessage> ImportPickerDialog::chosen() const
{
    std::vector<ImportMessage> out;
    for (size_t i = 0; i < m_messages.size(); ++i) {
        if (m_checked[i])
            out.push_back(m_messages[i]);
    }
    return out;
}

void ImportPickerDialog::replan()
{
    if (m_filling)
        return;
    m_target.firstRegister = m_firstRegisterBox->value();
    m_plan = exchange::planImport(chosen(), m_target);
    fillPreview();
}

void ImportPickerDialog::fillPreview()
{
    const bool receive = m_target.direction == Direction::Receive;
    const bool editableTimeOut = receive && m_target.dipSwitch;
    const std::vector<ImportMessage> picked = chosen();
    // The position in m_messages of each chosen message, for the time-out the user sets.
    std::vector<size_t> pickedIndex;
    for (size_t i = 0; i < m_messages.size(); ++i) {
        if (m_checked[i])
            pickedIndex.push_back(i);
    }

    m_framesTable->clear();
    m_framesTable->setColumnCount(6);
    m_framesTable->setHorizontalHeaderLabels({text(msg::kPickerRow), text(msg::kPickerCobId), text(msg::kPickerType),
                                          text(msg::kPickerDimension),
                                          receive ? (m_target.dipSwitch ? text(msg::kPickerTimeOutMs) : text(msg::kPickerTimeOut))
                                                  : text(msg::kPickerTimerMs),
                                          text(msg::kPickerMnemonic)});
    m_framesTable->setRowCount(static_cast<int>(m_plan.frames.size()));
    for (int r = 0; r < static_cast<int>(m_plan.frames.size()); ++r) {
        const exchange::PlannedFrame& f = m_plan.frames[static_cast<size_t>(r)];
        m_framesTable->setItem(r, 0, textItem(QString::number(m_target.existingFrames + r + 1)));
        m_framesTable->setItem(r, 1, textItem(exchange::identifierText(f.id)));
        m_framesTable->setItem(r, 2, textItem(formatText(f.extended)));
        m_framesTable->setItem(r, 3, textItem(QString::number(f.length)));
        if (editableTimeOut) {
            auto* spin = new QSpinBox(m_framesTable);
            spin->setObjectName(QStringLiteral("timeOutBox%1").arg(r + 1));
            spin->setAccessibleName(text(msg::kPickerTimeOutOfFrame).arg(exchange::identifierText(f.id)));
            spin->setRange(0, exchange::kMaxMilliseconds);
            spin->setValue(f.timeOutMs);
            const size_t message = pickedIndex[static_cast<size_t>(f.messageIndex)];
            const size_t frame = static_cast<size_t>(r);
            connect(spin, &QSpinBox::valueChanged, this, [this, message, frame](int value) {
                m_messages[message].timeOutOverrideMs = value;
                if (frame < m_plan.frames.size())
                    m_plan.frames[frame].timeOutMs = value;
            });
            m_framesTable->setCellWidget(r, 4, spin);
        } else if (receive) {
            m_framesTable->setItem(r, 4, textItem(f.timeOutMs > 0 ? QStringLiteral("Y") : QStringLiteral("N")));
        } else {
            m_framesTable->setItem(r, 4, textItem(f.timerMs > 0 ? QString::number(f.timerMs) : QString()));
        }
        m_framesTable->setItem(r, 5, textItem(f.mnemonic));
    }
    m_framesTable->resizeColumnsToContents();

    m_entriesTable->clear();
    m_entriesTable->setColumnCount(receive ? 5 : 6);
    QStringList headers{text(msg::kPickerIndex), text(msg::kPickerRow), text(msg::kPickerHighPart),
                        text(msg::kPickerLowPart), text(msg::kPickerSignal)};
    if (!receive)
        headers.insert(4, text(msg::kPickerSendOnWrite));
    m_entriesTable->setHorizontalHeaderLabels(headers);
    m_entriesTable->setRowCount(static_cast<int>(m_plan.entries.size()));
    for (int r = 0; r < static_cast<int>(m_plan.entries.size()); ++r) {
        const exchange::PlannedEntry& e = m_plan.entries[static_cast<size_t>(r)];
        int c = 0;
        m_entriesTable->setItem(r, c++, textItem(QString::number(e.registerIndex)));
        m_entriesTable->setItem(r, c++, textItem(QString::number(e.frameNumber(m_target.existingFrames))));
        m_entriesTable->setItem(r, c++, textItem(byteText(e.highByte, m_texts)));
        m_entriesTable->setItem(r, c++, textItem(byteText(e.lowByte, m_texts)));
        if (!receive)
            m_entriesTable->setItem(r, c++, textItem(e.sendOnWrite ? QStringLiteral("True") : QStringLiteral("False")));
        m_entriesTable->setItem(r, c++, textItem(e.signal));
    }
    m_entriesTable->resizeColumnsToContents();

    m_notMappedList->clear();
    for (const QString& w : m_warnings)
        m_notMappedList->addItem(text(msg::kPickerSkipped) + w);
    for (const exchange::ExistingFrame& f : m_plan.existing) {
        const ImportMessage& m = picked[static_cast<size_t>(f.messageIndex)];
        m_notMappedList->addItem(text(msg::kPickerFrameInList)
                                     .arg(exchange::identifierText(m.id), m.name)
                                     .arg(f.frame + 1));
    }
    for (const exchange::NotImported& n : m_plan.notImported) {
        const ImportMessage& m = picked[static_cast<size_t>(n.messageIndex)];
        m_notMappedList->addItem(text(msg::kPickerFrameNotImported).arg(exchange::identifierText(m.id), m.name, n.reason));
    }
    for (const exchange::NotMapped& n : m_plan.notMapped) {
        const QString frame = n.existingFrame >= 0 ? text(msg::kPickerFrameNumber).arg(n.existingFrame + 1)
                                                   : exchange::identifierText(m_plan.frames[static_cast<size_t>(n.frame)].id)
                + u' ' + m_plan.frames[static_cast<size_t>(n.frame)].mnemonic;
        m_notMappedList->addItem(text(msg::kPickerSignalNotMapped).arg(frame, n.signal, n.reason));
    }

    const QString overflow = exchange::overflowText(m_plan, m_target);
    m_summaryLabel->setText(overflow.isEmpty()
                           ? text(msg::kPickerSummary).arg(m_plan.frames.size()).arg(m_plan.entries.size())
                           : overflow);
}

void ImportPickerDialog::accept()
{
    replan();
    const QString refusal = exchange::importRefusal(m_plan, m_target, static_cast<int>(chosen().size()));
    if (!refusal.isEmpty()) {
        m_prompter.error(refusal);
        return;
    }
    QDialog::accept();
}

} // namespace px
