// The candump capture reader: a file is refused with a text, or its summary adds up: the
// frames counted per identifier are the frames read, each identifier fits its format and
// no length or first data exceeds a classic frame's eight bytes.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/exchange/capture_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    px::exchange::CaptureSummary s;
    try {
        s = px::exchange::readCapture(px::fuzz::bytesOf(data, size), QStringLiteral("fuzz.log"));
    } catch (const px::Error& e) {
        FUZZ_PROPERTY(!e.text().isEmpty());
        return 0;
    }
    std::int64_t counted = 0;
    for (const px::exchange::CapturedFrame& f : s.frames) {
        FUZZ_PROPERTY(f.id <= (f.extended ? px::exchange::kMaxExtendedId : px::exchange::kMaxStandardId));
        FUZZ_PROPERTY(f.maxLength >= 0 && f.maxLength <= 8);
        FUZZ_PROPERTY(f.firstData.size() <= f.maxLength);
        FUZZ_PROPERTY(f.count >= 1);
        FUZZ_PROPERTY(!f.meanPeriodMs || *f.meanPeriodMs >= 0);
        counted += f.count;
    }
    FUZZ_PROPERTY(counted == s.framesRead);
    FUZZ_PROPERTY(s.refused.size() <= static_cast<std::size_t>(px::exchange::CaptureSummary::kMaxRefusedKept));
    FUZZ_PROPERTY(s.refusedCount >= static_cast<std::int64_t>(s.refused.size()));
    return 0;
}
