#pragma once

#include "core/image/compile_input.h"

#include <QByteArray>

namespace px::image {

// bank.bin, the image of the device till April 2014 (jumper): a header of six section
// starts, the receive frames (with the identifier lookup blocks for 11-bit identifiers),
// the transmit frames, both mapping lists and, when ParGen.xml exists, the parameter block.
// Reads the rows of each file's document element and stops on every value the device needs.
// Throws px::Error on a file that does not parse, a missing or non-integer required value,
// or an image that would outgrow the device's 100001 bytes.
QByteArray buildLegacyImage(CompileInput& input);

} // namespace px::image
