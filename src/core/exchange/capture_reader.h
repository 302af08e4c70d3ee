#pragma once

#include "core/exchange/can_database.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace px::exchange {

// Told how far the reading has come (bytes read, and the total or 0 when unknown); returns
// false to cancel the reading.
using CaptureProgress = std::function<bool(qint64 bytesRead, qint64 bytesTotal)>;

// Reads a bus capture written by candump, in either of its two common shapes, line by line:
//
//   (1700000000.123456) can0 181#1122334455667788       the log file (candump -l / -L)
//     can0  181   [8]  11 22 33 44 55 66 77 88           the screen output, with or without
//   (1700000000.123456)  can0  181   [8]  11 22 ...      a time stamp in parentheses
//
// Identifiers of three hexadecimal digits (or fewer) are 11-bit ones, of eight digits 29-bit
// ones. Remote requests (#R, "remote request"), CAN FD frames (##, a two-digit length),
// error frames and lines that fit neither shape are refused one by one, with the line and
// the reason; the rest of the capture is still read. Mean periods come from the time stamps
// and are left out when the capture has none or its times do not run forward (a capture of
// time differences, candump -td).
//
// A file that is no candump capture (binary, or no line of it is a frame and its first lines
// fit neither shape) throws px::Error saying so; so does a device that cannot be read. The
// progress function is asked every few thousand lines; when it returns false the reading
// stops and nothing is returned.
std::optional<CaptureSummary> readCapture(QIODevice& device, const QString& name,
                                          const CaptureProgress& progress = {});

std::optional<CaptureSummary> readCaptureFile(const QString& path, const CaptureProgress& progress = {});

// The same over bytes in memory; never cancelled.
CaptureSummary readCapture(const QByteArray& bytes, const QString& name);

} // namespace px::exchange
