// The image dump: any bytes are decoded or refused as no image.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/image/image_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const QString text = px::image::dumpImage(px::fuzz::bytesOf(data, size), QStringLiteral("bank2.bin"));
        FUZZ_PROPERTY(!text.isEmpty());
    } catch (const px::Error&) {
    }
    return 0;
}
