#pragma once

#include "core/sim/monitor.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace px {
class MessageTable;
}

namespace px::sim {

// What a monitor session gives to keep: the frames as a candump log, the polls as CSV,
// the summary as one JSON object and as an HTML page beside the commissioning report.
// `start` is the wall-clock time of the monitor's time 0.

// One line per frame seen, "(1700000000.123000) can0 181#1122", oldest first.
QByteArray candumpLog(const Monitor& monitor, const QDateTime& start, const QString& interfaceName);

// "time,register,device,expected,agrees" and one row per register per poll answered;
// `agrees` is "yes", "no" or "not compared".
QByteArray pollsCsv(const Monitor& monitor, const QDateTime& start);

// The summary and every frame, unknown identifier and mismatching register, as one JSON
// object on one line.
QByteArray summaryJson(const Monitor& monitor, Millis now, const QDateTime& start);

// The summary as a line for a status bar: "Frames seen 3 / 4 expected, 0 mismatches,
// 1 unknown identifier, bus load 2.1 % (estimated 1.5 %)".
QString summaryLine(const MonitorSummary& summary, const MessageTable& messages);

// The summary as an HTML page: the summary, the configured frames, the unknown
// identifiers and the registers that disagreed.
QString summaryHtml(const Monitor& monitor, Millis now, const QDateTime& start, const QString& configurationName,
                    const MessageTable& messages);

// "12:00:01.234" of a monitor time.
QString clockText(const QDateTime& start, Millis time);

} // namespace px::sim
