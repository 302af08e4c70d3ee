#pragma once

#include <QByteArray>
#include <QString>

namespace px::image {

// Decodes any of the four configuration images into readable text for an engineer: the
// legacy header and its sections, the frame and mapping entries in use with their fields
// named, the default values that are set, every parameter-record field by name and
// whether the stored checksum is right. The kind of image is told from its content and
// length. Throws px::Error when the bytes are none of the four images.
QString dumpImage(const QByteArray& bytes, const QString& name);

} // namespace px::image
