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

// A received frame row as the dip-switch editor writes one: standard identifier `id` as kept
// in the file, `dim` data bytes, a 500 ms time-out, no remote request.
inline config::ReceiveFrame receiveFrame(const QString& id, const QString& dim)
{
    config::ReceiveFrame f;
    f.cobId = id;
    f.cobType = config::kStandardFormatText;
    f.dimension = dim;
    f.timeOutTime = QStringLiteral("500");
    f.timeOut = QStringLiteral("Y");
    f.rtr = QStringLiteral("N");
    f.mnemonic = QStringLiteral("Level");
    return f;
}

// A transmitted frame row sent when its data change: standard identifier `id`, `dim` bytes.
inline config::TransmitFrame transmitFrame(const QString& id, const QString& dim)
{
    config::TransmitFrame f;
    f.cobId = id;
    f.cobType = config::kStandardFormatText;
    f.dimension = dim;
    f.rtr = QStringLiteral("N");
    f.onChange = QStringLiteral("Y");
    f.onTimer = QStringLiteral("N");
    f.timer = QStringLiteral("0");
    f.mnemonic = QStringLiteral("Setpoint");
    return f;
}

} // namespace px::test
