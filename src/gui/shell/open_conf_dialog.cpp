#include "gui/shell/open_conf_dialog.h"

#include "core/shell/session.h"
#include "gui/common/title_band.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

TFOpenConf::TFOpenConf(Session& session, QWidget* parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("TFOpenConf"));
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 8);
    m_band = new TitleBand(QStringLiteral("L_SW_Desc"), this);
    top->addWidget(m_band);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(12, 8, 12, 0);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    Label1->setBuddy(ListBox1);
    Btn_OK = new QPushButton(this);
    Btn_OK->setObjectName(QStringLiteral("Btn_OK"));
    Btn_OK->setDefault(true);
    Btn_Cancel = new QPushButton(this);
    Btn_Cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ListBox1, 1, 0, 3, 1);
    grid->addWidget(Btn_OK, 1, 1);
    grid->addWidget(Btn_Cancel, 2, 1);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(0, 1);
    top->addLayout(grid, 1);

    connect(Btn_OK, &QPushButton::clicked, this, &TFOpenConf::accept);
    connect(Btn_Cancel, &QPushButton::clicked, this, &TFOpenConf::reject);
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { ListBox1Click(); });
    // A double click on a name opens that configuration, as OK does.
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item == nullptr)
            return;
        ListBox1->setCurrentItem(item);
        ListBox1Click();
        accept();
    });

    resize(377, 351);
    Set_Lang();
}

void TFOpenConf::Set_Lang()
{
    const MessageTable& m = m_session.messages;
    setWindowTitle(m[33]);
    m_band->descriptionLabel()->setText(m[34]);
    Label1->setText(m[35]);
    Btn_OK->setText(m[36]);
    Btn_Cancel->setText(m[37]);
    ListBox1->setToolTip(m[266]);
    Btn_OK->setToolTip(m[267]);
    Btn_Cancel->setToolTip(m[268]);
}

void TFOpenConf::FormShow()
{
    SL = listConfigurations(m_session.ws.Projects_Folder);
    {
        const QSignalBlocker block(ListBox1);
        ListBox1->clear();
        ListBox1->addItems(SL);
    }
    const int found = Search_Open_Conf(SL, m_session.ws.activeFolderName());
    if (found >= 0 || !SL.isEmpty()) {
        ListBox1->setCurrentRow(found >= 0 ? found : 0);
        Name_Conf = SL[found >= 0 ? found : 0];
    } else {
        Name_Conf.clear();
    }
    ListBox1->setFocus();
}

bool TFOpenConf::execShow()
{
    FormShow();
    return exec() == QDialog::Accepted;
}

void TFOpenConf::accept()
{
    m_session.ws.activate(Name_Conf);
    QDialog::accept();
}

void TFOpenConf::ListBox1Click()
{
    const int row = ListBox1->currentRow();
    if (row >= 0 && row < SL.size())
        Name_Conf = SL[row];
}

} // namespace px
