// The whole compile of the five files (ParGen.xml, RCobDef.xml, TCobDef.xml,
// RInfoCob.xml, TInfoCob.xml, cut at NUL bytes; the files after the last part are
// missing): it either refuses the configuration or gives images of their fixed sizes.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/image/compiler.h"
#include "core/image/image_layout.h"

#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<QByteArray> files = px::fuzz::filesOf(px::fuzz::bytesOf(data, size), 5);
    const auto file = [&files](std::size_t i, const char* name) {
        return px::image::InputFile::fromBytes(QLatin1StringView(name),
                                               i < files.size() ? std::optional<QByteArray>(files[i]) : std::nullopt);
    };
    px::image::CompileInput input{file(0, "ParGen.xml"), file(1, "RCobDef.xml"), file(2, "TCobDef.xml"),
                                  file(3, "RInfoCob.xml"), file(4, "TInfoCob.xml")};
    try {
        const px::image::ConfigurationImage image = px::image::compileConfiguration(input);
        namespace layout = px::image::layout;
        FUZZ_PROPERTY(image.bank2.size() == layout::kBank2Size && image.esp32_1.size() == layout::kEsp32RecordImageSize
                      && image.esp32_2.size() == layout::kEsp32TablesImageSize);
    } catch (const px::Error&) {
    }
    return 0;
}
