#include "gui/common/title_band.h"

#include "core/base/product.h"
#include "gui/common/font_size.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace px {

TitleBand::TitleBand(const QString& descriptionObjectName, QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("titleBand"));
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("#titleBand { background-color: #1f3b5a; }"
                                 "#titleBand QLabel { color: white; }"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 8, 6);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    m_code = new QLabel(product::kSoftwareCode, this);
    m_code->setObjectName(QStringLiteral("softwareCodeLabel"));
    QFont big = enlargedFont(m_code->font(), 10);
    big.setBold(true);
    m_code->setFont(big);
    m_description = new QLabel(this);
    m_description->setObjectName(descriptionObjectName);
    texts->addWidget(m_code);
    texts->addWidget(m_description);
    row->addLayout(texts);
    row->addStretch(1);
    m_right = new QHBoxLayout;
    m_right->setSpacing(4);
    row->addLayout(m_right);
}

} // namespace px
