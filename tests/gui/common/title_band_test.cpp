// The band across the top of every window: dark blue, its texts white.

#include "gui/common/title_band.h"

#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

namespace px {
namespace {

TEST(TitleBand, IsDarkBlueWithWhiteTexts)
{
    TitleBand band(QStringLiteral("descriptionLabel"));
    band.descriptionLabel()->setText(QStringLiteral("CAN / Modbus TCP Slave - Converter"));
    band.resize(400, 60);
    band.show();
    const QImage picture = band.grab().toImage();
    // A corner of the band, away from the texts.
    EXPECT_EQ(QColor(picture.pixel(picture.width() - 3, 2)), QColor(0x1f, 0x3b, 0x5a));
    // The software code's letters: the lightest pixel where its label lies is white.
    const QRect code = band.codeLabel()->geometry();
    int lightest = 0;
    for (int y = code.top(); y <= code.bottom(); ++y) {
        for (int x = code.left(); x <= code.right(); ++x)
            lightest = std::max(lightest, qGray(picture.pixel(x, y)));
    }
    EXPECT_EQ(lightest, 255);
}

} // namespace
} // namespace px
