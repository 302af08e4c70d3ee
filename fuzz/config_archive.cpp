// The configuration archive reader: any bytes are refused with a text naming the file, or
// give an archive that keeps the promises unpacking relies on: every file is one of a
// configuration's files, none stands twice, none and not all together are larger than a
// configuration can be, and the manifest is this product's.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/base/product.h"
#include "core/shell/config_archive.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    px::ConfigurationArchive archive;
    try {
        archive = px::readConfigurationArchive(px::fuzz::bytesOf(data, size), QStringLiteral("fuzz.zip"));
    } catch (const px::Error& e) {
        FUZZ_PROPERTY(e.text().startsWith(QStringLiteral("fuzz.zip is not a configuration archive of ")));
        return 0;
    }
    FUZZ_PROPERTY(archive.manifest.softwareCode == px::product::kSoftwareCode);
    QSet<QString> seen;
    qint64 total = 0;
    for (const auto& [relative, bytes] : archive.files) {
        FUZZ_PROPERTY(px::archiveFileNames().contains(relative));
        FUZZ_PROPERTY(!seen.contains(relative));
        seen.insert(relative);
        FUZZ_PROPERTY(bytes.size() <= px::kMaxArchiveEntryBytes);
        total += bytes.size();
    }
    FUZZ_PROPERTY(total <= px::kMaxArchiveUnpackedBytes);
    return 0;
}
