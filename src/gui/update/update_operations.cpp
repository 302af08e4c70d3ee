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
    p.page = named<QWidget>(parent, "Page_Options");
    auto* options = new QVBoxLayout(p.page);
    options->setContentsMargins(16, 10, 16, 0);
    p.L_Options = named<QLabel>(p.page, "L_Options");
    p.L_Options->setFont(titleFont);
    p.CB_Firmware = named<QCheckBox>(p.page, "CB_Firmware");
    p.CB_Read_Firm = named<QCheckBox>(p.page, "CB_Read_Firm");
    p.CB_Conf = named<QCheckBox>(p.page, "CB_Conf");
    p.CB_Read_Conf = named<QCheckBox>(p.page, "CB_Read_Conf");
    for (QCheckBox* box : {p.CB_Firmware, p.CB_Read_Firm, p.CB_Conf, p.CB_Read_Conf})
        box->setChecked(true);
    options->addWidget(p.L_Options);
    options->addWidget(p.CB_Firmware);
    options->addLayout(indented(p.CB_Read_Firm));
    options->addWidget(p.CB_Conf);
    options->addLayout(indented(p.CB_Read_Conf));
    options->addStretch(1);
    return p;
}

UpdateButtons UpdateButtons::build(QWidget* dialog, QBoxLayout* into)
{
    UpdateButtons b;
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 0);
    buttons->addStretch(1);
    b.Btn_Cancel = named<QPushButton>(dialog, "Btn_Cancel");
    b.Btn_Next = named<QPushButton>(dialog, "Btn_Next");
    b.Btn_Update = named<QPushButton>(dialog, "Btn_Update");
    buttons->addWidget(b.Btn_Cancel);
    buttons->addWidget(b.Btn_Next);
    buttons->addWidget(b.Btn_Update);
    into->addLayout(buttons);
    return b;
}

} // namespace px
