#include "gui/options/about_dialog.h"

#include "core/base/product.h"
#include "core/platform/browser.h"

#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {
namespace {

// The maker's mark, drawn here: a rounded badge with the product's initials.
QPixmap makerLogo()
{
    QPixmap pm(72, 72);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1f, 0x3b, 0x5a));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2, 2, 68, 68), 12, 12);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(26);
    p.setFont(f);
    p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("PX"));
    return pm;
}

constexpr int kWidth = 406;
constexpr int kMargin = 10;
constexpr int kHomeSpacing = 6;

QLabel* fixedLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

TFAbout::TFAbout(Browser& browser, QWidget* parent) : QDialog(parent), m_browser(browser)
{
    setObjectName(QStringLiteral("TFAbout"));
    setWindowTitle(QStringLiteral("About..."));

    Image2 = fixedLabel(this, "Image2", QString());
    Image2->setPixmap(makerLogo());
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->installEventFilter(this);
    Image2->setToolTip(product::kWebAddress);

    auto* title = fixedLabel(this, "Label1", QStringLiteral("Software Orvane "));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    Label2 = fixedLabel(this, "Label2", QString());
    Label9 = fixedLabel(this, "Label9", QString());
    Label10 = fixedLabel(this, "Label10", QString());
    Label12 = fixedLabel(this, "Label12", QString());
    Label4 = fixedLabel(this, "Label4", QString());
    Label4->setTextFormat(Qt::RichText);
    Label4->setText(QStringLiteral("<a href=\"home\">%1</a>").arg(product::kWebDomain));
    connect(Label4, &QLabel::linkActivated, this, [this] { Label4Click(); });

    auto* values = new QGridLayout;
    values->addWidget(title, 0, 0, 1, 2);
    values->addWidget(Label2, 1, 0, 1, 2);
    values->addWidget(fixedLabel(this, "Label6", QStringLiteral("Software Code : ")), 2, 0);
    values->addWidget(Label9, 2, 1);
    values->addWidget(fixedLabel(this, "Label3", QStringLiteral("Version :")), 3, 0);
    values->addWidget(Label10, 3, 1);
    values->addWidget(fixedLabel(this, "Label8", QStringLiteral("Document Code :")), 4, 0);
    values->addWidget(Label12, 4, 1);
    values->setColumnStretch(1, 1);
    values->setVerticalSpacing(1);

    auto* upper = new QHBoxLayout;
    upper->addWidget(Image2, 0, Qt::AlignTop);
    upper->addLayout(values, 1);

    LbButton1 = new QPushButton(QStringLiteral("OK"), this);
    LbButton1->setObjectName(QStringLiteral("LbButton1"));
    LbButton1->setDefault(true);
    connect(LbButton1, &QPushButton::clicked, this, &TFAbout::accept);
    auto* lower = new QHBoxLayout;
    lower->addWidget(LbButton1);
    lower->addStretch(1);
    lower->addWidget(Label4);

    // The home folder on a line of its own across the box, where a path has the most room.
    L_Home_Caption = fixedLabel(this, "L_Home_Caption", QStringLiteral("Home Folder :"));
    L_Home_Folder = fixedLabel(this, "L_Home_Folder", QString());
    auto* homeLine = new QHBoxLayout;
    homeLine->setSpacing(kHomeSpacing);
    homeLine->addWidget(L_Home_Caption);
    homeLine->addWidget(L_Home_Folder, 1);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(kMargin, 8, kMargin, 8);
    top->addLayout(upper);
    top->addLayout(homeLine);
    top->addLayout(lower);
}

void TFAbout::FormShow()
{
    Label2->setText(product::kDescription);
    Label9->setText(product::kSoftwareCode);
    Label10->setText(product::kVersion);
    Label12->setText(QStringLiteral("PM40318"));
    setFixedSize(kWidth, 166);
}

void TFAbout::setHomeFolder(const QString& folder)
{
    // The user's own folder is written ~ as the shell does, and a long path is shortened in
    // the middle to fit the box; the tool tip gives it whole.
    const QString path = QDir::toNativeSeparators(folder);
    const QString userFolder = QDir::toNativeSeparators(QDir::homePath());
    QString shown = path;
    if (path.startsWith(userFolder + QDir::separator()) && userFolder.size() > 1)
        shown = u'~' + path.mid(userFolder.size());
    const int room = kWidth - 2 * kMargin - L_Home_Caption->sizeHint().width() - kHomeSpacing;
    L_Home_Folder->setText(L_Home_Folder->fontMetrics().elidedText(shown, Qt::ElideMiddle, room));
    L_Home_Folder->setToolTip(path);
}

bool TFAbout::execShow()
{
    FormShow();
    return exec() == QDialog::Accepted;
}

void TFAbout::Label4Click()
{
    m_browser.open(product::kHomePage);
}

bool TFAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Image2 && event->type() == QEvent::MouseButtonRelease) {
        Label4Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace px
