#pragma once

#include "core/exchange/can_database.h"

#include <QByteArray>
#include <QString>

namespace px::exchange {

// Reads the part of a DBC file that describes frames and signals: VERSION, NS_, BS_, BU_,
// BO_, SG_, CM_, BA_DEF_ / BA_DEF_DEF_ / BA_ (of which GenMsgCycleTime is kept), VAL_ and
// VAL_TABLE_. Every other statement is skipped. The file is read as UTF-8 when it is valid
// UTF-8, else as Latin-1 (the older tools' 8-bit text).
//
// A statement that does not parse throws px::Error "<name>: line L, column C: <cause>"; a
// file that is not a DBC at all (binary, or text that begins with no DBC keyword) throws a
// px::Error that says so. `name` is the file name shown in the message.
//
// The pseudo-message that some tools add to hold signals of no frame (bit 31 set and an
// identifier beyond 29 bits) is dropped; a BO_ identifier above 0x7FF without bit 31 is
// taken as a 29-bit identifier, the only format it fits.
CanDatabase readDbc(const QByteArray& bytes, const QString& name);

// Reads the file at `path`; a file that cannot be read throws px::Error.
CanDatabase readDbcFile(const QString& path);

} // namespace px::exchange
