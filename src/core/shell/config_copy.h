#pragma once

#include "core/config/configuration.h"
#include "core/shell/configuration_names.h"

#include <QString>
#include <QStringView>

#include <cstdint>

namespace px {

// Duplicating a configuration, for a series of identical machines: a new configuration
// from an existing one, with an offset added to every CAN identifier and to every register
// index, each per direction. Everything else is copied as it is; the images are not (the
// copy has not been compiled).

struct CopyOffsets {
    std::int64_t receiveId = 0;
    std::int64_t transmitId = 0;
    std::int64_t receiveRegister = 0;
    std::int64_t transmitRegister = 0;

    std::int64_t id(config::Direction d) const { return d == config::Direction::Receive ? receiveId : transmitId; }
    std::int64_t registers(config::Direction d) const
    {
        return d == config::Direction::Receive ? receiveRegister : transmitRegister;
    }
};

// The four offsets from their texts, by the product's integer syntax. An empty receive
// text is 0; an empty transmit text takes the receive offset, so one offset can serve both
// directions. Throws px::Error naming the offset whose text is no integer or lies beyond
// any identifier (0x1FFFFFFF) or register (65535).
CopyOffsets readCopyOffsets(QStringView receiveId, QStringView transmitId, QStringView receiveRegister,
                            QStringView transmitRegister);

// The integer text `typed` rewritten to hold `value` in the same notation: its leading
// blanks, its hexadecimal prefix ("$", "x", "X", "0x", "0X"), the case of its hexadecimal
// letters and at least its number of digits (leading zeros kept). A plus sign is dropped.
QString integerTextLike(QStringView typed, std::int64_t value);

// Adds the offsets to the configuration's identifiers and register indexes. An identifier
// must stay within its frame's format (29 bits for a CAN 2.0B frame, 11 bits otherwise; on
// the jumper device the format of the general parameters, as its editors and image use
// it) and a register index within 0 to 65535, and no two entries of a direction may end
// on the same register; otherwise px::Error names the frame or the register and the
// configuration is left unchanged. A direction whose offset is 0 is not touched at all.
void applyCopyOffsets(config::Configuration& config, const CopyOffsets& offsets);

// Duplicate: the configuration folder `sourceFolder` copied as the configuration `name` in
// `targetParent` (PROJECTS, for one), with the offsets applied. Returns the name's refusal
// by the rules of New (checkNewConfigurationName), none when the copy was made. The copy is assembled in a
// temporary folder beside the target and renamed at the end. The files of a direction
// whose offsets are not 0 are written anew by the configuration writer; every other file
// of the folder is copied byte for byte, except the CSV export of a mapping whose
// registers moved (it would describe the original's registers) and the bin folder, which
// the copy gets empty. Throws px::Error (an offset that cannot be applied, a file that
// cannot be read or written); nothing is left behind then.
NameRefusal copyConfiguration(const QString& sourceFolder, const QString& targetParent, const QString& name,
                              const CopyOffsets& offsets);

} // namespace px
