// The settings file: whatever is read is written and read back with every value kept.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/shell/app_settings.h"

namespace {

bool same(const px::AppSettings& a, const px::AppSettings& b)
{
    return a.Active_Conf == b.Active_Conf && a.Last_IP == b.Last_IP && a.Language == b.Language
        && a.Enable_Internet == b.Enable_Internet && a.Enable_Update == b.Enable_Update
        && a.Enable_Jump_Field_Tables == b.Enable_Jump_Field_Tables && a.Double_Click_Auto_Size == b.Double_Click_Auto_Size;
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
