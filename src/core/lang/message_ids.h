#pragma once

#include <cstddef>
#include <iterator>

// The name of every entry of the message table, made from core/lang/messages.def: use
// px::msg::kSomething wherever a message index is expected (messages[msg::kSomething]).
namespace px::msg {

#define PX_MESSAGE(index, name, text) inline constexpr int name = index;
#include "core/lang/messages.def"
#undef PX_MESSAGE

namespace detail {
inline constexpr int kListedIndexes[] = {
#define PX_MESSAGE(index, name, text) index,
#include "core/lang/messages.def"
#undef PX_MESSAGE
};

// True when the list gives the indexes 0, 1, 2, ... in its order, so that an entry's
// name and its place in the text array agree.
constexpr bool listedInIndexOrder()
{
    for (std::size_t i = 0; i < std::size(kListedIndexes); ++i) {
        if (kListedIndexes[i] != static_cast<int>(i))
            return false;
    }
    return true;
}
} // namespace detail

static_assert(detail::listedInIndexOrder(), "messages.def: every entry stands at its own index");

} // namespace px::msg

namespace px {

// The 494 original entries (0 to 493), then those added since.
inline constexpr std::size_t kMessageCount = std::size(msg::detail::kListedIndexes);
static_assert(kMessageCount == 1015, "messages.def: entries are appended, never inserted or removed");
static_assert(msg::kMainBegin == 0 && msg::kTransmitFramesTooLarge == 493 && msg::kChooseFrameFirst == 494
                  && msg::kDuplicateIdentifier == 502 && msg::kCode == 606,
              "messages.def: the anchors of the language files keep their indexes");

} // namespace px
