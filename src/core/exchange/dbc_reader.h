#pragma once

#include "core/exchange/can_database.h"

#include <QByteArray>
#include <QString>

namespace px::exchange {

// Reads the part of a DBC file that describes frames and signals: VERSION, NS_, BS_, BU_,
// BO_, SG_, CM_, BA_DEF_ / BA_DEF_DEF_ / BA_ (of which GenMsgCycleTime, VFrameFormat and
// CANFD_BRS are kept), SIG_VALTYPE_, VAL_ and VAL_TABLE_. Every other statement is skipped.
// The file is read as UTF-8 when it is valid UTF-8, else as Latin-1 (the older tools'
// 8-bit text).
//
// A statement that does not parse is skipped up to the next statement at the start of a
// line, with a warning "line L, column C: <cause> (skipped)": in the frame's skippedLines
// when it is a signal line of a frame's block, in the database's warnings otherwise (a BO_
// line that does not parse skips its frame and signals). A forgotten ';' before the next
// statement's line is no fault. Only a file of which no frame can be read throws px::Error
// "<name>: no frame can be read: <first warning>"; a file that is not a DBC at all (binary,
// or text that begins with no DBC keyword) throws a px::Error that says so. `name` is the
// file name shown in the messages.
//
// The pseudo-message that some tools add to hold signals of no frame (an identifier beyond
// 29 bits, with or without bit 31) is dropped; a BO_ identifier above 0x7FF without bit 31
// is taken as a 29-bit identifier, the only format it fits, and attributes, comments and
// value tables find it by either form. A default cycle time of kMaxDefaultCycleTimeMs or
// more is kept aside (ignoredDefaultCycleMs), not given to the frames.
CanDatabase readDbc(const QByteArray& bytes, const QString& name);

// The largest DBC file read: the largest databases of whole vehicles take a few megabytes.
inline constexpr qint64 kMaxDbcFileSize = 32 * 1024 * 1024;

// Reads the file at `path`; a file that cannot be read, is no regular file, or is larger
// than kMaxDbcFileSize (the message names its size and the limit) throws px::Error.
CanDatabase readDbcFile(const QString& path);

} // namespace px::exchange
