// The CAN database reader and the import proposals over what it reads: a file is refused
// with a text, or every frame it gives has an identifier of its format and a length a
// frame can have, and every mapping proposed lies within its frame on distinct registers.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/exchange/dbc_reader.h"
#include "core/exchange/import_plan.h"

#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    px::exchange::CanDatabase db;
    try {
        db = px::exchange::readDbc(px::fuzz::bytesOf(data, size), QStringLiteral("fuzz.dbc"));
    } catch (const px::Error& e) {
        FUZZ_PROPERTY(!e.text().isEmpty());
        return 0;
    }
    for (const px::exchange::CanMessage& m : db.messages) {
        FUZZ_PROPERTY(m.id <= (m.extended ? px::exchange::kMaxExtendedId : px::exchange::kMaxStandardId));
        FUZZ_PROPERTY(m.length >= 0 && m.length <= 64);
        FUZZ_PROPERTY(!m.cycleTimeMs || *m.cycleTimeMs > 0);
        for (const px::exchange::CanSignal& s : m.signalList)
            FUZZ_PROPERTY(s.length >= 1 && s.startBit >= 0);
    }
    px::exchange::ImportTarget target;
    target.dipSwitch = true;
    target.firstRegister = 65500;
    const px::exchange::ImportPlan plan = px::exchange::planImport(px::exchange::importMessages(db), target);
    std::set<int> registers;
    for (const px::exchange::PlannedEntry& e : plan.entries) {
        const px::exchange::PlannedFrame& f = plan.frames.at(static_cast<std::size_t>(e.frame));
        FUZZ_PROPERTY(e.registerIndex >= target.firstRegister && e.registerIndex <= px::exchange::kMaxRegisterIndex);
        FUZZ_PROPERTY(registers.insert(e.registerIndex).second);
        FUZZ_PROPERTY(e.highByte >= 0 && e.highByte <= f.length && e.lowByte >= 1 && e.lowByte <= f.length);
    }
    for (const px::exchange::PlannedFrame& f : plan.frames)
        FUZZ_PROPERTY(f.length >= 1 && f.length <= 8 && f.timeOutMs >= 0 && f.timeOutMs <= px::exchange::kMaxMilliseconds);
    return 0;
}
