#include "gui/options/about_dialog.h"

#include "core/base/product.h"
#include "core/services/browser.h"

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

AboutDialog::AboutDialog(Browser& browser, QWidget* parent) : QDialog(parent), m_browser(browser)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About..."));

    m_makerLogo = fixedLabel(this, "makerLogo", QString());
    m_makerLogo->setPixmap(makerLogo());
    m_makerLogo->setCursor(Qt::PointingHandCursor);
    m_makerLogo->installEventFilter(this);
    m_makerLogo->setToolTip(product::kWebAddress);

    auto* title = fixedLabel(this, "productTitleLabel", QStringLiteral("Software Orvane "));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    m_descriptionLabel = fixedLabel(this, "productDescriptionLabel", QString());
    m_softwareCodeLabel = fixedLabel(this, "softwareCodeValueLabel", QString());
    m_versionLabel = fixedLabel(this, "versionLabel", QString());
    m_documentCodeLabel = fixedLabel(this, "documentCodeValueLabel", QString());
    m_webLink = fixedLabel(this, "webLink", QString());
    m_webLink->setTextFormat(Qt::RichText);
    m_webLink->setText(QStringLiteral("<a href=\"home\">%1</a>").arg(product::kWebDomain));
    connect(m_webLink, &QLabel::linkActivated, this, [this] { openWebSite(); });

    auto* values = new QGridLayout;
    values->addWidget(title, 0, 0, 1, 2);
    values->addWidget(m_descriptionLabel, 1, 0, 1, 2);
    values->addWidget(fixedLabel(this, "softwareCodeCaption", QStringLiteral("Software Code : ")), 2, 0);
    values->addWidget(m_softwareCodeLabel, 2, 1);
    values->addWidget(fixedLabel(this, "versionCaption", QStringLiteral("Version :")), 3, 0);
    values->addWidget(m_versionLabel, 3, 1);
    values->addWidget(fixedLabel(this, "documentCodeCaption", QStringLiteral("Document Code :")), 4, 0);
    values->addWidget(m_documentCodeLabel, 4, 1);
    values->setColumnStretch(1, 1);
    values->setVerticalSpacing(1);

    auto* upper = new QHBoxLayout;
    upper->addWidget(m_makerLogo, 0, Qt::AlignTop);
    upper->addLayout(values, 1);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &AboutDialog::accept);
    auto* lower = new QHBoxLayout;
    lower->addWidget(m_okButton);
    lower->addStretch(1);
    lower->addWidget(m_webLink);

    // The home folder on a line of its own across the box, where a path has the most room.
    m_homeCaption = fixedLabel(this, "homeFolderCaption", QStringLiteral("Home Folder :"));
    m_homeFolderLabel = fixedLabel(this, "homeFolderLabel", QString());
    auto* homeLine = new QHBoxLayout;
    homeLine->setSpacing(kHomeSpacing);
    homeLine->addWidget(m_homeCaption);
    homeLine->addWidget(m_homeFolderLabel, 1);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(kMargin, 8, kMargin, 8);
    top->addLayout(upper);
    top->addLayout(homeLine);
    top->addLayout(lower);
}

void AboutDialog::prepareShowing()
{
    m_descriptionLabel->setText(product::kDescription);
    m_softwareCodeLabel->setText(product::kSoftwareCode);
    m_versionLabel->setText(product::kVersion);
    m_documentCodeLabel->setText(QStringLiteral("PM40318"));
    setFixedSize(kWidth, 166);
}

void AboutDialog::setHomeFolder(const QString& folder)
{
    // The user's own folder is written ~ as the shell does, and a long path is shortened in
    // the middle to fit the box; the tool tip gives it whole.
    const QString path = QDir::toNativeSeparators(folder);
    const QString userFolder = QDir::toNativeSeparators(QDir::homePath());
    QString shown = path;
    if (path.startsWith(userFolder + QDir::separator()) && userFolder.size() > 1)
        shown = u'~' + path.mid(userFolder.size());
    const int room = kWidth - 2 * kMargin - m_homeCaption->sizeHint().width() - kHomeSpacing;
    m_homeFolderLabel->setText(m_homeFolderLabel->fontMetrics().elidedText(shown, Qt::ElideMiddle, room));
    m_homeFolderLabel->setToolTip(path);
}

bool AboutDialog::execShow()
{
    prepareShowing();
    return exec() == QDialog::Accepted;
}

void AboutDialog::openWebSite()
{
    m_browser.open(product::kHomePage);
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_makerLogo && event->type() == QEvent::MouseButtonRelease) {
        openWebSite();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace px
