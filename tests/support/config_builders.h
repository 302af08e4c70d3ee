#pragma once

#include "core/config/configuration.h"

namespace px::test {

// A mapping entry of a configuration built in a test: register `index` as kept in the
// file, fed by the data bytes `high` and `low` (0 = none) of frame `frame` (from 1).
inline config::MappingEntry mappingEntry(const QString& index, int frame, int high, int low, bool sendOnWrite = false)
{
    config::MappingEntry e;
    e.registerIndex = index;
    e.frameNumber = frame;
    e.highByte = high;
    e.lowByte = low;
    e.sendOnWrite = sendOnWrite;
    return e;
}

inline config::MappingEntry mappingEntry(int index, int frame, int high, int low, bool sendOnWrite = false)
{
    return mappingEntry(QString::number(index), frame, high, low, sendOnWrite);
}

} // namespace px::test
