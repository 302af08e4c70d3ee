#include "gui/exchange/import_picker_dialog.h"

#include "core/frames/frame_list.h"
#include "core/platform/prompter.h"

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

QString byteText(int byte)
{
    return byte == 0 ? QStringLiteral("None") : QStringLiteral("Byte %1").arg(byte);
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

ImportPickerDialog::ImportPickerDialog(Prompter& prompter, QWidget* parent) : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Import CAN Frames"));
    auto* top = new QVBoxLayout(this);

    L_File = new QLabel(this);
    L_File->setObjectName(QStringLiteral("L_File"));
    top->addWidget(L_File);

    auto* filterRow = new QHBoxLayout;
    auto* filterLabel = new QLabel(QStringLiteral("Filter:"), this);
    E_Filter = new QLineEdit(this);
    E_Filter->setObjectName(QStringLiteral("E_Filter"));
    E_Filter->setAccessibleName(QStringLiteral("Filter by name or identifier"));
    E_Filter->setPlaceholderText(QStringLiteral("name or identifier"));
    filterLabel->setBuddy(E_Filter);
    Btn_CheckShown = new QPushButton(QStringLiteral("Tick Shown"), this);
    Btn_CheckShown->setObjectName(QStringLiteral("Btn_CheckShown"));
    Btn_UncheckAll = new QPushButton(QStringLiteral("Untick All"), this);
    Btn_UncheckAll->setObjectName(QStringLiteral("Btn_UncheckAll"));
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(E_Filter, 1);
    filterRow->addWidget(Btn_CheckShown);
    filterRow->addWidget(Btn_UncheckAll);
    top->addLayout(filterRow);

    TW_Messages = makeTable(this, "TW_Messages", QStringLiteral("Frames of the file"));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(TW_Messages);

    auto* preview = new QGroupBox(QStringLiteral("What the import adds"), this);
    auto* previewLayout = new QVBoxLayout(preview);
    auto* registerRow = new QHBoxLayout;
    auto* firstLabel = new QLabel(QStringLiteral("Number the registers from:"), preview);
    SB_FirstRegister = new QSpinBox(preview);
    SB_FirstRegister->setObjectName(QStringLiteral("SB_FirstRegister"));
    SB_FirstRegister->setAccessibleName(QStringLiteral("First register index"));
    SB_FirstRegister->setRange(0, exchange::kMaxRegisterIndex);
    firstLabel->setBuddy(SB_FirstRegister);
    L_Note = new QLabel(QStringLiteral("8-bit signals go to a register's low part, 16-bit signals to one register, "
                                       "32-bit signals to two consecutive registers, the high word first."),
                        preview);
    L_Note->setObjectName(QStringLiteral("L_Note"));
    L_Note->setWordWrap(true);
    registerRow->addWidget(firstLabel);
    registerRow->addWidget(SB_FirstRegister);
    registerRow->addWidget(L_Note, 1);
    previewLayout->addLayout(registerRow);

    auto* tables = new QHBoxLayout;
    TW_Frames = makeTable(preview, "TW_Frames", QStringLiteral("Frame rows to add"));
    TW_Entries = makeTable(preview, "TW_Entries", QStringLiteral("Mapping entries to add"));
    tables->addWidget(TW_Frames, 3);
    tables->addWidget(TW_Entries, 2);
    previewLayout->addLayout(tables, 1);
    LB_NotMapped = new QListWidget(preview);
    LB_NotMapped->setObjectName(QStringLiteral("LB_NotMapped"));
    LB_NotMapped->setAccessibleName(QStringLiteral("Not imported and not mapped"));
    LB_NotMapped->setMaximumHeight(90);
    previewLayout->addWidget(LB_NotMapped);
    split->addWidget(preview);
    top->addWidget(split, 1);

    auto* buttons = new QHBoxLayout;
    L_Summary = new QLabel(this);
    L_Summary->setObjectName(QStringLiteral("L_Summary"));
    Btn_Import = new QPushButton(QStringLiteral("Import"), this);
    Btn_Import->setObjectName(QStringLiteral("Btn_Import"));
    Btn_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Btn_Cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    for (QPushButton* b : {Btn_CheckShown, Btn_UncheckAll, Btn_Import, Btn_Cancel})
        b->setAutoDefault(false);
    buttons->addWidget(L_Summary, 1);
    buttons->addWidget(Btn_Import);
    buttons->addWidget(Btn_Cancel);
    top->addLayout(buttons);

    connect(E_Filter, &QLineEdit::textChanged, this, &ImportPickerDialog::applyFilter);
    connect(Btn_CheckShown, &QPushButton::clicked, this, [this] { setShownChecked(true); });
    connect(Btn_UncheckAll, &QPushButton::clicked, this, [this] {
        std::fill(m_checked.begin(), m_checked.end(), false);
        fillMessages();
        replan();
    });
    connect(TW_Messages, &QTableWidget::itemChanged, this, &ImportPickerDialog::messageItemChanged);
    connect(SB_FirstRegister, &QSpinBox::valueChanged, this, [this] { replan(); });
    connect(Btn_Import, &QPushButton::clicked, this, &ImportPickerDialog::accept);
    connect(Btn_Cancel, &QPushButton::clicked, this, &ImportPickerDialog::reject);
    resize(980, 700);
}

void ImportPickerDialog::FormShow(const QString& fileName, std::vector<ImportMessage> messages,
                                  const exchange::ImportTarget& target)
{
    m_messages = std::move(messages);
    m_checked.assign(m_messages.size(), false);
    m_target = target;
    const bool receive = target.direction == Direction::Receive;
    L_File->setText(QStringLiteral("%1: %2 frames, to add to the %3 list after its %4 frames")
                        .arg(fileName)
                        .arg(m_messages.size())
                        .arg(receive ? QStringLiteral("receive") : QStringLiteral("transmit"))
                        .arg(target.existingFrames));
    m_filling = true;
    E_Filter->clear();
    SB_FirstRegister->setValue(target.firstRegister);
    m_filling = false;
    fillMessages();
    replan();
}

void ImportPickerDialog::fillMessages()
{
    const bool capture = !m_messages.empty() && m_messages.front().fromCapture;
    const QStringList headers = capture
        ? QStringList{QStringLiteral("Identifier"), QStringLiteral("Format"), QStringLiteral("Data length"),
                      QStringLiteral("Frames"), QStringLiteral("Mean period"), QStringLiteral("First data")}
        : QStringList{QStringLiteral("Identifier"), QStringLiteral("Format"), QStringLiteral("Data length"),
                      QStringLiteral("Name"), QStringLiteral("Sender"), QStringLiteral("Cycle time"),
                      QStringLiteral("Signals"), QStringLiteral("Mapped")};
    m_filling = true;
    TW_Messages->clear();
    TW_Messages->setColumnCount(static_cast<int>(headers.size()));
    TW_Messages->setHorizontalHeaderLabels(headers);
    TW_Messages->setRowCount(static_cast<int>(m_messages.size()));
    for (int r = 0; r < static_cast<int>(m_messages.size()); ++r) {
        const ImportMessage& m = m_messages[static_cast<size_t>(r)];
        auto* id = new QTableWidgetItem(exchange::identifierText(m.id));
        id->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        id->setCheckState(m_checked[static_cast<size_t>(r)] ? Qt::Checked : Qt::Unchecked);
        TW_Messages->setItem(r, 0, id);
        TW_Messages->setItem(r, 1, textItem(formatText(m.extended)));
        TW_Messages->setItem(r, 2, textItem(QString::number(m.length)));
        if (capture) {
            TW_Messages->setItem(r, 3, textItem(QString::number(m.frameCount)));
            TW_Messages->setItem(r, 4, textItem(m.meanPeriodMs ? QStringLiteral("%1 ms").arg(*m.meanPeriodMs, 0, 'f', 1) : QString()));
            TW_Messages->setItem(r, 5, textItem(QString::fromLatin1(m.firstData.toHex(' ').toUpper())));
        } else {
            TW_Messages->setItem(r, 3, textItem(m.name));
            TW_Messages->setItem(r, 4, textItem(m.sender));
            TW_Messages->setItem(r, 5, textItem(m.cycleTimeMs ? QStringLiteral("%1 ms").arg(*m.cycleTimeMs) : QString()));
            TW_Messages->setItem(r, 6, textItem(QString::number(m.signalList.size())));
            TW_Messages->setItem(r, 7, textItem(QString::number(m.signalsThatMap())));
        }
    }
    TW_Messages->resizeColumnsToContents();
    m_filling = false;
    applyFilter();
}

void ImportPickerDialog::applyFilter()
{
    const QString filter = E_Filter->text();
    for (int r = 0; r < TW_Messages->rowCount(); ++r)
        TW_Messages->setRowHidden(r, !exchange::matchesFilter(m_messages[static_cast<size_t>(r)], filter));
}

void ImportPickerDialog::setShownChecked(bool checked)
{
    for (int r = 0; r < TW_Messages->rowCount(); ++r) {
        if (!TW_Messages->isRowHidden(r))
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
    m_target.firstRegister = SB_FirstRegister->value();
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

    TW_Frames->clear();
    TW_Frames->setColumnCount(6);
    TW_Frames->setHorizontalHeaderLabels({QStringLiteral("Row"), QStringLiteral("Cob-ID"), QStringLiteral("Type"),
                                          QStringLiteral("Dimension"),
                                          receive ? (m_target.dipSwitch ? QStringLiteral("TimeOut (ms)") : QStringLiteral("TimeOut"))
                                                  : QStringLiteral("Timer (ms)"),
                                          QStringLiteral("Mnemonic")});
    TW_Frames->setRowCount(static_cast<int>(m_plan.frames.size()));
    for (int r = 0; r < static_cast<int>(m_plan.frames.size()); ++r) {
        const exchange::PlannedFrame& f = m_plan.frames[static_cast<size_t>(r)];
        TW_Frames->setItem(r, 0, textItem(QString::number(m_target.existingFrames + r + 1)));
        TW_Frames->setItem(r, 1, textItem(exchange::identifierText(f.id)));
        TW_Frames->setItem(r, 2, textItem(formatText(f.extended)));
        TW_Frames->setItem(r, 3, textItem(QString::number(f.length)));
        if (editableTimeOut) {
            auto* spin = new QSpinBox(TW_Frames);
            spin->setObjectName(QStringLiteral("SB_TimeOut%1").arg(r + 1));
            spin->setAccessibleName(QStringLiteral("Time-out of frame %1 in ms").arg(exchange::identifierText(f.id)));
            spin->setRange(0, exchange::kMaxMilliseconds);
            spin->setValue(f.timeOutMs);
            const size_t message = pickedIndex[static_cast<size_t>(f.messageIndex)];
            const size_t frame = static_cast<size_t>(r);
            connect(spin, &QSpinBox::valueChanged, this, [this, message, frame](int value) {
                m_messages[message].timeOutOverrideMs = value;
                if (frame < m_plan.frames.size())
                    m_plan.frames[frame].timeOutMs = value;
            });
            TW_Frames->setCellWidget(r, 4, spin);
        } else if (receive) {
            TW_Frames->setItem(r, 4, textItem(f.timeOutMs > 0 ? QStringLiteral("Y") : QStringLiteral("N")));
        } else {
            TW_Frames->setItem(r, 4, textItem(f.timerMs > 0 ? QString::number(f.timerMs) : QString()));
        }
        TW_Frames->setItem(r, 5, textItem(f.mnemonic));
    }
    TW_Frames->resizeColumnsToContents();

    TW_Entries->clear();
    TW_Entries->setColumnCount(receive ? 5 : 6);
    QStringList headers{QStringLiteral("Index"), QStringLiteral("Row"), QStringLiteral("High part"),
                        QStringLiteral("Low part"), QStringLiteral("Signal")};
    if (!receive)
        headers.insert(4, QStringLiteral("Send on write"));
    TW_Entries->setHorizontalHeaderLabels(headers);
    TW_Entries->setRowCount(static_cast<int>(m_plan.entries.size()));
    for (int r = 0; r < static_cast<int>(m_plan.entries.size()); ++r) {
        const exchange::PlannedEntry& e = m_plan.entries[static_cast<size_t>(r)];
        int c = 0;
        TW_Entries->setItem(r, c++, textItem(QString::number(e.registerIndex)));
        TW_Entries->setItem(r, c++, textItem(QString::number(m_target.existingFrames + e.frame + 1)));
        TW_Entries->setItem(r, c++, textItem(byteText(e.highByte)));
        TW_Entries->setItem(r, c++, textItem(byteText(e.lowByte)));
        if (!receive)
            TW_Entries->setItem(r, c++, textItem(e.sendOnWrite ? QStringLiteral("True") : QStringLiteral("False")));
        TW_Entries->setItem(r, c++, textItem(e.signal));
    }
    TW_Entries->resizeColumnsToContents();

    LB_NotMapped->clear();
    for (const exchange::NotImported& n : m_plan.notImported) {
        const ImportMessage& m = picked[static_cast<size_t>(n.messageIndex)];
        LB_NotMapped->addItem(QStringLiteral("%1 %2 not imported: %3").arg(exchange::identifierText(m.id), m.name, n.reason));
    }
    for (const exchange::NotMapped& n : m_plan.notMapped) {
        const exchange::PlannedFrame& f = m_plan.frames[static_cast<size_t>(n.frame)];
        LB_NotMapped->addItem(QStringLiteral("%1 %2, signal %3 not mapped: %4")
                                  .arg(exchange::identifierText(f.id), f.mnemonic, n.signal, n.reason));
    }

    const QString overflow = exchange::overflowText(m_plan, m_target);
    L_Summary->setText(overflow.isEmpty()
                           ? QStringLiteral("%1 frames and %2 mapping entries to add").arg(m_plan.frames.size()).arg(m_plan.entries.size())
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
