#pragma once

#include "core/lang/message_ids.h"

#include <array>
#include <cstddef>

namespace px {

// The built-in English texts, indexed by the names of core/lang/message_ids.h.
extern const std::array<const char*, kMessageCount> kEnglishTexts;

} // namespace px
