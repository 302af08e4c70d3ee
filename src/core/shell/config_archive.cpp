#include "core/shell/config_archive.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/product.h"
#include "core/base/xml_content.h"
#include "core/config/general_parameters.h"
#include "core/lang/message_ids.h"
#include "core/shell/session.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>
#include <quazipnewinfo.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamWriter>

#include <algorithm>

namespace px {

namespace {

const QString kManifestRoot = QStringLiteral("ConfigurationArchive");

// The first `limit` + 1 bytes of the file at most, so that a file beyond the limit is
// told apart without reading it whole.
QByteArray readCapped(const QString& path, qint64 limit)
{
    checkReadableKind(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(msg::kCannotReadFile, {displayPath(path), file.errorString()});
    QByteArray bytes;
    while (bytes.size() <= limit) {
        const QByteArray part = file.read(limit + 1 - bytes.size());
        if (part.isEmpty())
            break;
        bytes += part;
    }
    if (file.error() != QFileDevice::NoError)
        throw Error(msg::kCannotReadFile, {displayPath(path), file.errorString()});
    return bytes;
}

int deviceTypeOf(const QByteArray& parGen)
{
    try {
        return readGeneralParameters(parGen, QStringLiteral("ParGen.xml")).deviceType;
    } catch (const Error&) {
        // A configuration whose general parameters do not parse still travels; the
        // manifest then names the generation its editors would use.
        return 0;
    }
}

QByteArray manifestBytes(const ArchiveManifest& m)
{
    QByteArray bytes;
    QXmlStreamWriter w(&bytes);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(kManifestRoot);
    w.writeTextElement(QStringLiteral("SoftwareCode"), m.softwareCode);
    w.writeTextElement(QStringLiteral("Version"), m.version);
    w.writeTextElement(QStringLiteral("Configuration"), m.configuration);
    w.writeTextElement(QStringLiteral("Date"), m.date);
    w.writeTextElement(QStringLiteral("DeviceType"), QString::number(m.deviceType));
    w.writeEndElement();
    w.writeEndDocument();
    return bytes;
}

[[noreturn]] void refuse(const QString& fileName, const Message& cause)
{
    throw Error(msg::kNotAnArchive, {fileName, product::kSoftwareCode, cause});
}

ArchiveManifest parseManifest(const QByteArray& bytes, const QString& fileName)
{
    xml::XmlContent content;
    try {
        content = xml::readXmlContent(bytes, kArchiveManifestName);
    } catch (const Error& e) {
        refuse(fileName, Message(msg::kArchiveManifestUnreadable, {e}));
    }
    const auto root = std::find_if(content.top.begin(), content.top.end(), [](const xml::XmlItem& i) { return i.element; });
    if (root == content.top.end() || root->name != kManifestRoot)
        refuse(fileName, Message(msg::kArchiveManifestOtherKind));
    const auto text = [&root](const char* name) {
        const xml::XmlItem* e = xml::childElement(*root, QString::fromLatin1(name));
        return e ? e->text : QString();
    };
    ArchiveManifest m;
    m.softwareCode = text("SoftwareCode");
    m.version = text("Version");
    m.configuration = text("Configuration");
    m.date = text("Date");
    m.deviceType = toInt32(text("DeviceType"), 0);
    if (m.softwareCode != product::kSoftwareCode) {
        refuse(fileName, Message(msg::kArchiveOtherProduct, {m.softwareCode.isEmpty() ? Message::Argument(Message(msg::kArchiveNoProductNamed))
                                                                                       : Message::Argument(m.softwareCode)}));
    }
    return m;
}

// Why an entry's path is refused, or nothing. Paths are taken apart at both kinds of
// separator, as an unpacker on Windows would.
std::optional<Message> pathFault(const QString& name)
{
    if (name.isEmpty())
        return Message(msg::kArchiveEntryNoName);
    QString path = name;
    path.replace(u'\\', u'/');
    if (path.startsWith(u'/') || (path.size() >= 2 && path[1] == u':'))
        return Message(msg::kArchiveEntryAbsolute, {name});
    if (path.contains(u':'))
        return Message(msg::kArchiveEntryDrive, {name});
    if (path.endsWith(u'/'))
        path.chop(1);
    for (const QString& part : path.split(u'/')) {
        if (part == QStringLiteral(".."))
            return Message(msg::kArchiveEntryLeadsOut, {name});
        if (part.isEmpty() || part == QStringLiteral("."))
            return Message(msg::kArchiveEntryMalformed, {name});
    }
    return std::nullopt;
}

} // namespace

const QStringList& archiveFileNames()
{
    static const QStringList names = {
        QStringLiteral("ParGen.xml"),       QStringLiteral("RCobDef.xml"),      QStringLiteral("TCobDef.xml"),
        QStringLiteral("RInfoCob.xml"),     QStringLiteral("TInfoCob.xml"),     QStringLiteral("RInfoCob.csv"),
        QStringLiteral("TInfoCob.csv"),     QStringLiteral("Signals.xml"),      QStringLiteral("bin/bank.bin"),     QStringLiteral("bin/bank2.bin"),
        QStringLiteral("bin/bank_ESP32_1.bin"), QStringLiteral("bin/bank_ESP32_2.bin"),
    };
    return names;
}

QByteArray packConfiguration(const QString& configurationFolder, const QString& name, bool withImages, const QDateTime& now)
{
    std::vector<std::pair<QString, QByteArray>> files;
    qint64 total = 0;
    for (const QString& relative : archiveFileNames()) {
        if (relative.startsWith(QStringLiteral("bin/")) && !withImages)
            continue;
        const QString path = configurationFolder + u'/' + relative;
        if (!QFileInfo(path).isFile())
            continue;
        QByteArray bytes = readCapped(path, kMaxArchiveEntryBytes);
        total += bytes.size();
        if (bytes.size() > kMaxArchiveEntryBytes || total > kMaxArchiveUnpackedBytes) {
            throw Error(msg::kCannotPackTooLarge, {displayPath(path)});
        }
        files.emplace_back(relative, std::move(bytes));
    }

    ArchiveManifest manifest;
    manifest.softwareCode = product::kSoftwareCode;
    manifest.version = product::kVersion;
    manifest.configuration = name;
    manifest.date = now.toUTC().toString(Qt::ISODate);
    for (const auto& [relative, bytes] : files) {
        if (relative == QStringLiteral("ParGen.xml"))
            manifest.deviceType = deviceTypeOf(bytes);
    }
    files.emplace_back(kArchiveManifestName, manifestBytes(manifest));

    QBuffer buffer;
    QuaZip zip(&buffer);
    zip.setUtf8Enabled(true);
    if (!zip.open(QuaZip::mdCreate))
        throw Error(msg::kCannotMakeArchive, {name, zip.getZipError()});
    for (const auto& [relative, bytes] : files) {
        QuaZipNewInfo info(relative);
        info.dateTime = now.toLocalTime();
        // Plain files readable by everyone, as any unpacker expects.
        info.externalAttr = (0100644u << 16);
        QuaZipFile entry(&zip);
        if (!entry.open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, Z_BEST_COMPRESSION)
            || entry.write(bytes) != bytes.size()) {
            throw Error(msg::kCannotPackEntry, {relative, name, entry.getZipError()});
        }
        entry.close();
        if (entry.getZipError() != ZIP_OK)
            throw Error(msg::kCannotPackEntry, {relative, name, entry.getZipError()});
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK)
        throw Error(msg::kCannotMakeArchive, {name, zip.getZipError()});
    return buffer.data();
}

void writeConfigurationArchive(const QString& configurationFolder, const QString& name, const QString& zipPath, bool withImages)
{
    writeFileAtomically(zipPath, packConfiguration(configurationFolder, name, withImages));
}

ConfigurationArchive readConfigurationArchive(const QByteArray& zipBytes, const QString& fileName)
{
    if (zipBytes.size() > kMaxArchiveFileBytes)
        refuse(fileName, Message(msg::kArchiveTooLarge));
    QByteArray data = zipBytes;
    QBuffer buffer(&data);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdUnzip))
        refuse(fileName, Message(msg::kArchiveNoZip));

    ConfigurationArchive archive;
    std::optional<QByteArray> manifest;
    QSet<QString> seen;
    qint64 total = 0;
    const QSet<QString> known(archiveFileNames().cbegin(), archiveFileNames().cend());
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFileInfo64 info;
        if (!zip.getCurrentFileInfo(&info))
            refuse(fileName, Message(msg::kArchiveListDamaged));
        const QString& name = info.name;
        if (const std::optional<Message> fault = pathFault(name))
            refuse(fileName, *fault);
        if (info.isSymbolicLink())
            refuse(fileName, Message(msg::kArchiveEntryLink, {name}));
        if (name.endsWith(u'/')) {
            // Folder entries say nothing the files do not; only the bin folder may stand.
            if (name != QStringLiteral("bin/"))
                refuse(fileName, Message(msg::kArchiveForeignFolder, {name}));
            continue;
        }
        if (name != kArchiveManifestName && !known.contains(name))
            refuse(fileName, Message(msg::kArchiveForeignEntry, {name}));
        if (seen.contains(name))
            refuse(fileName, Message(msg::kArchiveEntryTwice, {name}));
        seen.insert(name);
        if (info.flags & 1u)
            refuse(fileName, Message(msg::kArchiveEntryEncrypted, {name}));
        if (info.method != 0 && info.method != Z_DEFLATED)
            refuse(fileName, Message(msg::kArchiveEntryMethod, {name}));

        const auto tooLarge = [&] {
            refuse(fileName, Message(msg::kArchiveEntryTooLarge, {name}));
        };
        if (info.uncompressedSize > static_cast<quint64>(kMaxArchiveEntryBytes))
            tooLarge();
        QuaZipFile entry(&zip);
        if (!entry.open(QIODevice::ReadOnly))
            refuse(fileName, Message(msg::kArchiveEntryUnreadable, {name}));
        // The size that counts is what actually comes out, never what the header claims.
        QByteArray bytes;
        while (bytes.size() <= kMaxArchiveEntryBytes) {
            const QByteArray part = entry.read(std::min<qint64>(64 * 1024, kMaxArchiveEntryBytes + 1 - bytes.size()));
            if (part.isEmpty())
                break;
            bytes += part;
            if (total + bytes.size() > kMaxArchiveUnpackedBytes)
                refuse(fileName, Message(msg::kArchiveUnpacksTooLarge));
        }
        if (bytes.size() > kMaxArchiveEntryBytes)
            tooLarge();
        const bool readFault = entry.getZipError() != UNZ_OK;
        entry.close();
        if (readFault || entry.getZipError() != UNZ_OK || static_cast<quint64>(bytes.size()) != info.uncompressedSize)
            refuse(fileName, Message(msg::kArchiveEntryDamaged, {name}));
        total += bytes.size();
        if (name == kArchiveManifestName)
            manifest = std::move(bytes);
        else
            archive.files.emplace_back(name, std::move(bytes));
    }
    if (zip.getZipError() != UNZ_OK)
        refuse(fileName, Message(msg::kArchiveListDamaged));
    if (!manifest)
        refuse(fileName, Message(msg::kArchiveNoManifest));
    archive.manifest = parseManifest(*manifest, fileName);
    return archive;
}

ConfigurationArchive loadConfigurationArchive(const QString& zipPath)
{
    const QByteArray bytes = readCapped(zipPath, kMaxArchiveFileBytes);
    return readConfigurationArchive(bytes, QFileInfo(zipPath).fileName());
}

NameRefusal unpackConfiguration(const ConfigurationArchive& archive, const QString& destFolder, const QString& name)
{
    if (const NameRefusal refusal = checkNewConfigurationName(destFolder, name))
        return refusal;
    if (!QFileInfo(destFolder).isDir())
        throw Error(msg::kFolderDoesNotExist, {displayPath(destFolder)});
    QTemporaryDir staging(destFolder + QStringLiteral("/.unpack-XXXXXX"));
    if (!staging.isValid())
        throw Error(msg::kCannotWriteIntoFolderBecause, {displayPath(destFolder), staging.errorString()});
    if (!QDir().mkdir(staging.path() + QStringLiteral("/bin")))
        throw Error(msg::kCannotWriteIntoFolder, {displayPath(destFolder)});
    takeFolderMode(staging.path(), staging.path() + QStringLiteral("/bin"));
    for (const auto& [relative, bytes] : archive.files)
        writeFileAtomically(staging.path() + u'/' + relative, bytes);
    // The rename refuses to replace a folder that appeared meanwhile.
    const QString target = destFolder + u'/' + name;
    if (!QDir().rename(staging.path(), target))
        return refusalOfTakenTarget(target);
    staging.setAutoRemove(false);
    return std::nullopt;
}

void ZipConfigurationArchives::write(const QString& configurationFolder, const QString& name, const QString& zipPath,
                                     bool withImages)
{
    writeConfigurationArchive(configurationFolder, name, zipPath, withImages);
}

ConfigurationArchive ZipConfigurationArchives::load(const QString& zipPath)
{
    return loadConfigurationArchive(zipPath);
}

NameRefusal ZipConfigurationArchives::unpack(const ConfigurationArchive& archive, const QString& destFolder,
                                             const QString& name)
{
    return unpackConfiguration(archive, destFolder, name);
}

} // namespace px
