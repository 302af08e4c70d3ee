#pragma once

#include "core/config/general_parameters.h"

#include <optional>

namespace px {

// The value of the communication settings that a check refused.
enum class SettingsField {
    CanTimeOut,
    IpAddress,   // one of the four bytes of the converter's address
    SubnetMask,  // one of the four bytes of the mask
    Gateway,     // one of the four bytes of the default gateway
    Port,
};

struct SettingsFault {
    SettingsField field = SettingsField::CanTimeOut;
    int byteIndex = 0;   // 0 to 3 for an address field, 0 otherwise
    int messageId = 0;   // the message shown for it

    bool operator==(const SettingsFault&) const = default;
};

// The checks run by OK, in their fixed order, stopping at the first failure: the CAN
// time-out (a setting of the jumper device only) from 0 to 100000 ms, the four address
// and the four mask bytes from 0 to 255, the gateway bytes likewise when the gateway is
// enabled, the port from 0 to 65535. A text that is no integer fails its range. Nothing
// when every check passes.
std::optional<SettingsFault> validate(const GeneralParameters& params);

} // namespace px
