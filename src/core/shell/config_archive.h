#pragma once

#include "core/services/configuration_archives.h"
#include "core/shell/configuration_names.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace px {

// One configuration as a single .zip file, to hand to a colleague or to support: the five
// XML files, the CSV exports of the register mappings when they exist, the compiled images
// when asked for, and a small manifest naming the product, the version, the configuration,
// the date and the device generation. Entries lie at the archive's top level as they lie
// in the configuration folder ("ParGen.xml", "bin/bank.bin", "manifest.xml").

inline const QString kArchiveManifestName = QStringLiteral("manifest.xml");

// No configuration file the program writes comes near these: a register mapping of all
// 65536 registers is about 4 MB, an image at most 100001 bytes. An archive beyond them is
// damaged or made to exhaust the disk or the memory of whoever unpacks it.
inline constexpr qint64 kMaxArchiveEntryBytes = 8 * 1024 * 1024;
inline constexpr qint64 kMaxArchiveUnpackedBytes = 16 * 1024 * 1024;
inline constexpr qint64 kMaxArchiveFileBytes = 16 * 1024 * 1024;

struct ArchiveManifest {
    QString softwareCode;
    QString version;
    QString configuration;   // the configuration's name when it was packed
    QString date;            // UTC, ISO 8601
    int deviceType = 0;      // DeviceType of its ParGen.xml: 0 jumper device, 1 dip-switch device
};

// The files an archive may hold, relative to the configuration folder, in the order they
// are packed (the manifest is not among them).
const QStringList& archiveFileNames();

struct ConfigurationArchive {
    ArchiveManifest manifest;
    // Relative path and bytes of every file but the manifest, in the archive's order.
    std::vector<std::pair<QString, QByteArray>> files;
};

// The archive of the configuration folder `configurationFolder` named `name`: its configuration
// files that exist, the images of its bin folder too when `withImages` is set, and the
// manifest dated `now`. Throws px::Error naming the file that cannot be read or is larger
// than an archive may hold.
QByteArray packConfiguration(const QString& configurationFolder, const QString& name, bool withImages,
                             const QDateTime& now = QDateTime::currentDateTimeUtc());

// The same, written whole to `zipPath` through a temporary file. Throws px::Error.
void writeConfigurationArchive(const QString& configurationFolder, const QString& name, const QString& zipPath,
                               bool withImages);

// Reads and checks a whole archive held in memory; `fileName` names it in messages. Throws
// px::Error with a text for the user when the bytes are no archive of this product's
// configuration: not a zip file or a damaged one, an entry whose path leaves the
// configuration folder or that is a link, an entry that is no file of a configuration,
// an entry or a whole larger than a configuration can be (by the bytes actually
// unpacked), an encrypted entry, a missing manifest or one of another product.
ConfigurationArchive readConfigurationArchive(const QByteArray& zipBytes, const QString& fileName);

// Reads the archive file at `zipPath` (refused beyond kMaxArchiveFileBytes) and checks it
// as above.
ConfigurationArchive loadConfigurationArchive(const QString& zipPath);

// Unpacks the archive as the configuration `name` in `destFolder` (PROJECTS, for one).
// Returns the name's refusal by the rules of New (checkNewConfigurationName) with nothing
// written, none when done. The files are first written into a temporary folder beside the
// target, which is renamed at the end, so an interruption leaves no half configuration.
// Throws px::Error when a file cannot be written; nothing is left behind then either.
NameRefusal unpackConfiguration(const ConfigurationArchive& archive, const QString& destFolder, const QString& name);

// The functions above as the ConfigurationArchives that windows are given.
class ZipConfigurationArchives final : public ConfigurationArchives {
public:
    void write(const QString& configurationFolder, const QString& name, const QString& zipPath,
               bool withImages) override;
    ConfigurationArchive load(const QString& zipPath) override;
    NameRefusal unpack(const ConfigurationArchive& archive, const QString& destFolder, const QString& name) override;
};

} // namespace px
