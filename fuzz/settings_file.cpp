// The settings file: whatever is read is written and read back with every value kept.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/shell/app_settings.h"

namespace {

bool same(const px::AppSettings& a, const px::AppSettings& b)
{
    return a.lastConfiguration == b.lastConfiguration && a.lastDeviceAddress == b.lastDeviceAddress && a.language == b.language
        && a.internetEnabled == b.internetEnabled && a.updateCheckEnabled == b.updateCheckEnabled
        && a.jumpFieldsInTables == b.jumpFieldsInTables && a.doubleClickAutoSize == b.doubleClickAutoSize;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const px::AppSettings read = px::parseSettings(px::fuzz::bytesOf(data, size));
    QByteArray written;
    try {
        written = px::serializeSettings(read);
    } catch (const px::Error&) {
        return 0;   // a value the file cannot store is refused, nothing written
    }
    FUZZ_PROPERTY(same(px::parseSettings(written), read));
    return 0;
}
