#include "core/lang/english_texts.h"

namespace px {

// The built-in English texts, in index order, from the message list.
const std::array<const char*, kMessageCount> kEnglishTexts = {
#define PX_MESSAGE(index, name, text) text,
#include "core/lang/messages.def"
#undef PX_MESSAGE
};

} // namespace px
