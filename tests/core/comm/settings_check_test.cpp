#include "core/comm/settings_check.h"

#include <gtest/gtest.h>

#include <functional>

namespace px {

void PrintTo(const SettingsFault& f, std::ostream* os)
{
    *os << "field " << static_cast<int>(f.field) << " byte " << f.byteIndex << " message " << f.messageId;
}

namespace {

using Edit = std::function<void(GeneralParameters&)>;

GeneralParameters edited(const Edit& edit)
{
    GeneralParameters p;
    edit(p);
    return p;
}

TEST(SettingsCheck, FirstFailingCheckGivesItsFieldAndMessage)
{
    const struct {
        const char* what;
        Edit edit;
        std::optional<SettingsFault> expected;
    } cases[] = {
        {"defaults", [](GeneralParameters&) {}, std::nullopt},
        {"time-out upper bound", [](GeneralParameters& p) { p.canTimeOut = QStringLiteral("100000"); }, std::nullopt},
        {"time-out in hex", [](GeneralParameters& p) { p.canTimeOut = QStringLiteral("0x186A0"); }, std::nullopt},
        {"time-out above", [](GeneralParameters& p) { p.canTimeOut = QStringLiteral("100001"); }, SettingsFault{SettingsField::CanTimeOut, 0, 109}},
        {"time-out negative", [](GeneralParameters& p) { p.canTimeOut = QStringLiteral("-1"); }, SettingsFault{SettingsField::CanTimeOut, 0, 109}},
        {"time-out empty", [](GeneralParameters& p) { p.canTimeOut = QString(); }, SettingsFault{SettingsField::CanTimeOut, 0, 109}},
        {"time-out not a number, dip-switch device",
         [](GeneralParameters& p) {
             p.deviceType = kDipSwitchDevice;
             p.canTimeOut = QStringLiteral("abc");
         },
         std::nullopt},
        {"ip byte bounds",
         [](GeneralParameters& p) {
             p.ip = {QStringLiteral("0"), QStringLiteral("255"), QStringLiteral("$FF"), QStringLiteral(" 1")};
         },
         std::nullopt},
        {"ip 1 empty", [](GeneralParameters& p) { p.ip[0] = QString(); }, SettingsFault{SettingsField::IpAddress, 0, 110}},
        {"ip 2 above", [](GeneralParameters& p) { p.ip[1] = QStringLiteral("256"); }, SettingsFault{SettingsField::IpAddress, 1, 111}},
        {"ip 3 trailing blank", [](GeneralParameters& p) { p.ip[2] = QStringLiteral("1 "); }, SettingsFault{SettingsField::IpAddress, 2, 112}},
        {"ip 4 not a number", [](GeneralParameters& p) { p.ip[3] = QStringLiteral("1.2"); }, SettingsFault{SettingsField::IpAddress, 3, 113}},
        {"mask 1", [](GeneralParameters& p) { p.subnet[0] = QStringLiteral("-1"); }, SettingsFault{SettingsField::SubnetMask, 0, 114}},
        {"mask 2", [](GeneralParameters& p) { p.subnet[1] = QStringLiteral("256"); }, SettingsFault{SettingsField::SubnetMask, 1, 115}},
        {"mask 3", [](GeneralParameters& p) { p.subnet[2] = QStringLiteral("x"); }, SettingsFault{SettingsField::SubnetMask, 2, 116}},
        {"mask 4", [](GeneralParameters& p) { p.subnet[3] = QString(); }, SettingsFault{SettingsField::SubnetMask, 3, 117}},
        {"gateway disabled is not checked",
         [](GeneralParameters& p) { p.gateway = {QString(), QStringLiteral("999"), QStringLiteral("a"), QStringLiteral("-5")}; },
         std::nullopt},
        {"gateway 1", [](GeneralParameters& p) { p.gatewayEnabled = true; p.gateway[0] = QStringLiteral("256"); }, SettingsFault{SettingsField::Gateway, 0, 118}},
        {"gateway 2", [](GeneralParameters& p) { p.gatewayEnabled = true; p.gateway[1] = QString(); }, SettingsFault{SettingsField::Gateway, 1, 119}},
        {"gateway 3", [](GeneralParameters& p) { p.gatewayEnabled = true; p.gateway[2] = QStringLiteral("-1"); }, SettingsFault{SettingsField::Gateway, 2, 120}},
        {"gateway 4", [](GeneralParameters& p) { p.gatewayEnabled = true; p.gateway[3] = QStringLiteral("z"); }, SettingsFault{SettingsField::Gateway, 3, 121}},
        {"gateway enabled and valid", [](GeneralParameters& p) { p.gatewayEnabled = true; }, std::nullopt},
        {"port bounds low", [](GeneralParameters& p) { p.port = QStringLiteral("0"); }, std::nullopt},
        {"port bounds high", [](GeneralParameters& p) { p.port = QStringLiteral("65535"); }, std::nullopt},
        {"port above", [](GeneralParameters& p) { p.port = QStringLiteral("65536"); }, SettingsFault{SettingsField::Port, 0, 122}},
        {"port empty", [](GeneralParameters& p) { p.port = QString(); }, SettingsFault{SettingsField::Port, 0, 122}},
        {"order: time-out before address",
         [](GeneralParameters& p) {
             p.canTimeOut = QStringLiteral("abc");
             p.ip[0] = QStringLiteral("300");
         },
         SettingsFault{SettingsField::CanTimeOut, 0, 109}},
        {"order: mask before gateway and port",
         [](GeneralParameters& p) {
             p.subnet[3] = QStringLiteral("300");
             p.gatewayEnabled = true;
             p.gateway[0] = QStringLiteral("300");
             p.port = QString();
         },
         SettingsFault{SettingsField::SubnetMask, 3, 117}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(validate(edited(c.edit)), c.expected) << c.what;
}

} // namespace
} // namespace px
