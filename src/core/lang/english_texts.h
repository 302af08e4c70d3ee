#pragma once

#include <array>
#include <cstddef>

namespace px {

// The 494 original entries (0 to 493), then the entries added since, each named below
// (the configuration check's block, 502 to 606, in core/lang/check_messages.h).
inline constexpr std::size_t kMessageCount = 607;

// Entries added after the original 494; a language file translates them like the others.
namespace msg {
// The register mapping editors' Create with no frame chosen.
inline constexpr int kChooseFrameFirst = 494;
// An updater or firmware image that is not there: %1 the file name, %2 the folder.
inline constexpr int kUpdateFileMissing = 495;
// The wait for an updater: %1 the program's file name, %2 seconds.
inline constexpr int kUpdaterRunning = 496;
inline constexpr int kUpdaterEnded = 497;
inline constexpr int kUpdaterWaitRanOut = 498;
inline constexpr int kUpdaterNotStarted = 499;
// The editors' Undo and Redo buttons.
inline constexpr int kUndo = 500;
inline constexpr int kRedo = 501;
} // namespace msg

extern const std::array<const char*, kMessageCount> kEnglishTexts;

} // namespace px
