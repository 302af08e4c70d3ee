// ParGen.xml: read, checked, written and read back; what the check accepts is what the
// compiler puts into the parameter record.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/comm/settings_check.h"
#include "core/image/image_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = px::fuzz::bytesOf(data, size);
    px::GeneralParameters p;
    try {
        p = px::readGeneralParameters(bytes, QStringLiteral("ParGen.xml"));
    } catch (const px::Error&) {
        return 0;
    }
    QByteArray written;
    try {
        written = px::generalParametersBytes(p);
    } catch (const px::Error&) {
        return 0;   // a value the file cannot store is refused, nothing written
    }
    const px::GeneralParameters back = px::readGeneralParameters(written, QStringLiteral("ParGen.xml"));
    FUZZ_PROPERTY(back == p);

    if (px::validate(p))
        return 0;
    px::image::CompileInput input;
    input.parGen = px::image::InputFile::fromBytes(QStringLiteral("ParGen.xml"), written);
    const auto read = px::image::readImageModel(input);
    const px::image::ImageModel& model = *read;
    for (std::size_t i = 0; i < 4; ++i) {
        FUZZ_PROPERTY(model.record.ip[i] == px::toInt32(p.ip[i], -1));
        FUZZ_PROPERTY(model.record.mask[i] == px::toInt32(p.subnet[i], -1));
        if (p.gatewayEnabled)
            FUZZ_PROPERTY(model.record.gateway[i] == px::toInt32(p.gateway[i], -1));
    }
    FUZZ_PROPERTY(model.record.port == px::toInt32(p.port, -1));
    return 0;
}
