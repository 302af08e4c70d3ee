// The mapping CSV import of both directions into a few frames of the data lengths the
// first bytes give: an import is refused whole, leaving the mapping as it was, or every
// entry it gives is one Create would accept, and exports and imports back unchanged.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/text_rules.h"
#include "core/frames/mapping_model.h"

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const px::MappingProfile& side = (data[0] & 1) != 0 ? px::MappingProfile::transmitSide()
                                                        : px::MappingProfile::receiveSide();
    px::RegisterMapping m(side);
    const int frames = 1 + data[1] % 8;
    for (int f = 0; f < frames; ++f) {
        px::TCAN_Frame frame;
        frame.Num_Byte = (data[2] >> (f % 4)) % 10;
        m.Lista_CAN_Frame.push_back(frame);
    }
    m.Lista_CAN_Frame[0].Lista_Mod_Reg.push_back({QStringLiteral("7"), 1, 0, 0});
    const px::RegisterMapping before = m;
    try {
        m.importCsv(px::fuzz::bytesOf(data + 3, size - 3));
    } catch (const px::Error&) {
        for (std::size_t f = 0; f < m.Lista_CAN_Frame.size(); ++f)
            FUZZ_PROPERTY(m.Lista_CAN_Frame[f].Lista_Mod_Reg == before.Lista_CAN_Frame[f].Lista_Mod_Reg);
        return 0;
    }
    std::set<int> indexes;
    int count = 0;
    for (const px::TCAN_Frame& frame : m.Lista_CAN_Frame) {
        for (const px::TMod_Reg& e : frame.Lista_Mod_Reg) {
            const int index = px::toInt32(e.Ind_Mod, -1);
            FUZZ_PROPERTY(index >= 0 && index <= 65535);
            FUZZ_PROPERTY(indexes.insert(index).second);
            for (const int position : {e.HiPart, e.LoPart})
                FUZZ_PROPERTY(position >= 0 && position <= 8 && position <= frame.Num_Byte);
            // The positions survive the mapping file's packed form.
            std::int32_t hi = -1;
            std::int32_t lo = -1;
            px::unpackPosComp(px::packPosComp(e.HiPart, e.LoPart), hi, lo);
            FUZZ_PROPERTY(hi == e.HiPart && lo == e.LoPart);
            ++count;
        }
    }
    FUZZ_PROPERTY(count <= px::kMaxMappingEntries);
    px::RegisterMapping back(side);
    back.Lista_CAN_Frame = m.Lista_CAN_Frame;
    back.importCsv(m.toCsv());
    for (std::size_t f = 0; f < m.Lista_CAN_Frame.size(); ++f)
        FUZZ_PROPERTY(back.Lista_CAN_Frame[f].Lista_Mod_Reg == m.Lista_CAN_Frame[f].Lista_Mod_Reg);
    return 0;
}
