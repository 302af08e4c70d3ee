// The mapping CSV import of both directions into a few frames of the data lengths the
// first bytes give: an import is refused whole, leaving the mapping as it was, or every
// entry it gives is one Create would accept, and exports and imports back unchanged.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/text_rules.h"
#include "core/config/configuration.h"
#include "core/frames/mapping_model.h"

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const px::MappingProfile& side = (data[0] & 1) != 0 ? px::MappingProfile::transmitSide()
                                                        : px::MappingProfile::receiveSide();
    px::RegisterMapping m(side);
    const int frameCount = 1 + data[1] % 8;
    std::vector<px::MappingFrame> frames(static_cast<std::size_t>(frameCount));
    for (int f = 0; f < frameCount; ++f)
        frames[static_cast<std::size_t>(f)].dataLength = (data[2] >> (f % 4)) % 10;
    m.setFrames(std::move(frames));
    px::config::MappingEntry first;
    first.registerIndex = QStringLiteral("7");
    first.frameNumber = 1;
    first.highByte = 1;
    m.setEntries({first});
    const std::vector<px::config::MappingEntry> before = m.entries();
    try {
        m.importCsv(px::fuzz::bytesOf(data + 3, size - 3));
    } catch (const px::Error&) {
        FUZZ_PROPERTY(m.entries() == before);
        return 0;
    }
    std::set<int> indexes;
    for (const px::config::MappingEntry& e : m.entries()) {
        const int index = px::toInt32(e.registerIndex, -1);
        FUZZ_PROPERTY(index >= 0 && index <= 65535);
        FUZZ_PROPERTY(indexes.insert(index).second);
        const px::MappingFrame& frame = m.frames().at(static_cast<std::size_t>(e.frameNumber - 1));
        for (const int position : {e.highByte, e.lowByte})
            FUZZ_PROPERTY(position >= 0 && position <= 8 && position <= frame.dataLength);
    }
    FUZZ_PROPERTY(m.entryCount() <= px::config::kMaxMappingEntries);
    // The positions and the send flag survive the mapping file's packed form.
    FUZZ_PROPERTY(px::config::readMappings(m.toXml(), QStringLiteral("mapping"), side.direction) == m.entries());
    px::RegisterMapping back(side);
    back.setFrames(m.frames());
    back.importCsv(m.toCsv());
    FUZZ_PROPERTY(back.entries() == m.entries());
    return 0;
}
