#include "gui/update/update_operations.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {
namespace {

template <typename T>
T* named(QWidget* parent, const char* name)
{
    auto* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A read-back option stands indented under the operation it checks.
QHBoxLayout* indented(QWidget* w)
{
    auto* row = new QHBoxLayout;
    row->addSpacing(24);
    row->addWidget(w);
    return row;
}

} // namespace

UpdateOperationsPage UpdateOperationsPage::build(QWidget* parent, const QFont& titleFont)
{
    UpdateOperationsPage p;
    p.page = named<QWidget>(parent, "operationsPage");
    auto* options = new QVBoxLayout(p.page);
    options->setContentsMargins(16, 10, 16, 0);
    p.title = named<QLabel>(p.page, "operationsLabel");
    p.title->setFont(titleFont);
    p.writeFirmware = named<QCheckBox>(p.page, "writeFirmwareCheck");
    p.readFirmwareBack = named<QCheckBox>(p.page, "readFirmwareBackCheck");
    p.writeConfiguration = named<QCheckBox>(p.page, "writeConfigurationCheck");
    p.readConfigurationBack = named<QCheckBox>(p.page, "readConfigurationBackCheck");
    for (QCheckBox* box : {p.writeFirmware, p.readFirmwareBack, p.writeConfiguration, p.readConfigurationBack})
        box->setChecked(true);
    options->addWidget(p.title);
    options->addWidget(p.writeFirmware);
    options->addLayout(indented(p.readFirmwareBack));
    options->addWidget(p.writeConfiguration);
    options->addLayout(indented(p.readConfigurationBack));
    options->addStretch(1);
    return p;
}

UpdateButtons UpdateButtons::build(QWidget* dialog, QBoxLayout* into)
{
    UpdateButtons b;
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 0);
    buttons->addStretch(1);
    b.cancel = named<QPushButton>(dialog, "cancelButton");
    b.next = named<QPushButton>(dialog, "nextButton");
    b.update = named<QPushButton>(dialog, "updateButton");
    buttons->addWidget(b.cancel);
    buttons->addWidget(b.next);
    buttons->addWidget(b.update);
    into->addLayout(buttons);
    return b;
}

} // namespace px
