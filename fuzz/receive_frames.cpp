// The receive frame lists (RCobDef.xml) of both device generations with their check.
#include "frame_lists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return px::fuzz::runFrameList(data, size, false);
}
