#pragma once

#include <array>
#include <cstddef>

namespace px {

inline constexpr std::size_t kMessageCount = 494;

extern const std::array<const char*, kMessageCount> kEnglishTexts;

} // namespace px
