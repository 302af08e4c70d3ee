// The language file reader: any bytes replace texts entry by entry, never more entries.

#include "fuzz_support.h"

#include "core/lang/message_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = px::fuzz::bytesOf(data, size);
    px::MessageTable table;
    table.applyLanguageBytes(bytes);
    FUZZ_PROPERTY(table.text(px::MessageTable::kSize - 1).size() >= 0);
    FUZZ_PROPERTY(table.text(px::MessageTable::kSize).isEmpty());
    // Reading is a function of the bytes: the same file read again gives the same texts.
    px::MessageTable again;
    again.applyLanguageBytes(bytes);
    for (int i = 0; i < px::MessageTable::kSize; ++i)
        FUZZ_PROPERTY(table.text(i) == again.text(i));
    return 0;
}
