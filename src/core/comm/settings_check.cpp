#include "core/comm/settings_check.h"

#include "core/base/int_text.h"
#include "core/lang/message_ids.h"

#include <array>

namespace px {
namespace {

// The message of each byte of the three addresses.
constexpr std::array<int, 4> kIpByteMessages{msg::kCommSlaveIp1Range, msg::kCommSlaveIp2Range, msg::kCommSlaveIp3Range,
                                              msg::kCommSlaveIp4Range};
constexpr std::array<int, 4> kMaskByteMessages{msg::kCommSlaveMask1Range, msg::kCommSlaveMask2Range,
                                                msg::kCommSlaveMask3Range, msg::kCommSlaveMask4Range};
constexpr std::array<int, 4> kGatewayByteMessages{msg::kCommSlaveGateway1Range, msg::kCommSlaveGateway2Range,
                                                   msg::kCommSlaveGateway3Range, msg::kCommSlaveGateway4Range};

bool inRange(const QString& text, std::int64_t low, std::int64_t high)
{
    const std::optional<std::int64_t> v = parseInt64(text);
    return v && *v >= low && *v <= high;
}

std::optional<SettingsFault> firstByteOutOfRange(const std::array<QString, 4>& bytes, SettingsField field,
                                                 const std::array<int, 4>& messages)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!inRange(bytes[i], 0, 255))
            return SettingsFault{field, static_cast<int>(i), messages[i]};
    }
    return std::nullopt;
}

} // namespace

std::optional<SettingsFault> validate(const GeneralParameters& p)
{
    if (p.deviceType == kJumperDevice && !inRange(p.canTimeOut, 0, 100000))
        return SettingsFault{SettingsField::CanTimeOut, 0, msg::kCommCanTimeOutRange};
    if (auto fault = firstByteOutOfRange(p.ip, SettingsField::IpAddress, kIpByteMessages))
        return fault;
    if (auto fault = firstByteOutOfRange(p.subnet, SettingsField::SubnetMask, kMaskByteMessages))
        return fault;
    if (p.gatewayEnabled) {
        if (auto fault = firstByteOutOfRange(p.gateway, SettingsField::Gateway, kGatewayByteMessages))
            return fault;
    }
    if (!inRange(p.port, 0, 65535))
        return SettingsFault{SettingsField::Port, 0, msg::kCommSlavePortRange};
    return std::nullopt;
}

} // namespace px
