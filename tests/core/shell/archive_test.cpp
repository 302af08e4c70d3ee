#include "core/shell/config_archive.h"
#include "core/lang/message_ids.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "manage_test_support.h"

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace px {
namespace {

struct ZipEntry {
    QString name;
    QByteArray bytes;
    quint32 mode = 0100644;
};

// A zip file written by the library the product reads with, holding exactly these entries.
QByteArray zipOf(const std::vector<ZipEntry>& entries)
{
    QBuffer buffer;
    QuaZip zip(&buffer);
    EXPECT_TRUE(zip.open(QuaZip::mdCreate));
    for (const ZipEntry& e : entries) {
        QuaZipNewInfo info(e.name);
        info.externalAttr = e.mode << 16;
        QuaZipFile f(&zip);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, Z_BEST_SPEED));
        f.write(e.bytes);
        f.close();
    }
    zip.close();
    return buffer.data();
}

QByteArray manifestOf(const char* code)
{
    return QByteArray("<ConfigurationArchive><SoftwareCode>") + code
        + "</SoftwareCode><Version>2.505</Version><Configuration>Plant1</Configuration>"
          "<Date>2026-01-01T00:00:00Z</Date><DeviceType>0</DeviceType></ConfigurationArchive>";
}

const ZipEntry kManifest{QStringLiteral("manifest.xml"), manifestOf("PX40318")};
const ZipEntry kParGen{QStringLiteral("ParGen.xml"), "<GeneralParameter/>"};

// Sets the uncompressed size that the local header and the central directory claim for
// every entry, leaving the data as it is.
QByteArray withClaimedSize(QByteArray zip, quint32 size)
{
    const auto put = [&](qsizetype at) {
        for (int i = 0; i < 4; ++i)
            zip[at + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    };
    for (qsizetype at = zip.indexOf("PK\x03\x04"); at >= 0; at = zip.indexOf("PK\x03\x04", at + 4))
        put(at + 22);
    for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0; at = zip.indexOf("PK\x01\x02", at + 4))
        put(at + 24);
    return zip;
}

// Every name below `folder`, hidden ones included.
QStringList everythingIn(const QString& folder)
{
    QStringList names;
    QDir dir(folder);
    for (const QFileInfo& fi : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        names << fi.fileName();
    names.sort();
    return names;
}

TEST(ConfigurationArchive, PackThenUnpackGivesTheSameBytes)
{
    QTemporaryDir home;
    const QString source = test::exampleCopy(home.path(), QStringLiteral("PumpStation_Jumper"), QStringLiteral("Pump"));
    writeFileAtomically(source + QStringLiteral("/RInfoCob.csv"), "Index;NrPdo;Hi;Lo;\r\n100;1;1;2;\r\n");
    writeFileAtomically(source + QStringLiteral("/bin/bank2.bin"), QByteArray(73728, '\x5A'));
    writeFileAtomically(source + QStringLiteral("/var.xml"), "<Var/>"); // no file of the archive
    writeFileAtomically(source + QStringLiteral("/Signals.xml"), "<SIGNALS><Register Direction=\"Receive\" Index=\"100\" Name=\"Level\"/></SIGNALS>");

    for (const bool withImages : {false, true}) {
        const QString projects = home.filePath(withImages ? QStringLiteral("withImages") : QStringLiteral("without"));
        QDir().mkpath(projects);
        const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC);
        const ConfigurationArchive archive =
            readConfigurationArchive(packConfiguration(source, QStringLiteral("Pump"), withImages, when), QStringLiteral("p.zip"));
        EXPECT_EQ(archive.manifest.softwareCode, QStringLiteral("PX40318"));
        EXPECT_EQ(archive.manifest.version, QStringLiteral("2.505"));
        EXPECT_EQ(archive.manifest.configuration, QStringLiteral("Pump"));
        EXPECT_EQ(archive.manifest.date, QStringLiteral("2026-03-04T05:06:07Z"));
        EXPECT_EQ(archive.manifest.deviceType, 0);
        ASSERT_EQ(unpackConfiguration(archive, projects, QStringLiteral("Copy")), std::nullopt);

        const QString copy = projects + QStringLiteral("/Copy");
        for (const char* file : {"ParGen.xml", "RCobDef.xml", "TCobDef.xml", "RInfoCob.xml", "TInfoCob.xml", "RInfoCob.csv", "Signals.xml"})
            EXPECT_EQ(readWholeFile(copy + u'/' + QLatin1StringView(file)), readWholeFile(source + u'/' + QLatin1StringView(file))) << file;
        EXPECT_TRUE(QFileInfo(copy + QStringLiteral("/bin")).isDir());
        EXPECT_EQ(QFileInfo::exists(copy + QStringLiteral("/bin/bank2.bin")), withImages);
        if (withImages) {
            EXPECT_EQ(readWholeFile(copy + QStringLiteral("/bin/bank2.bin")), QByteArray(73728, '\x5A'));
        }
        EXPECT_FALSE(QFileInfo::exists(copy + QStringLiteral("/var.xml")));
        EXPECT_EQ(everythingIn(projects), QStringList{QStringLiteral("Copy")}); // no staging folder left
    }
}

TEST(ConfigurationArchive, ManifestNamesTheDeviceGeneration)
{
    QTemporaryDir home;
    const QString source = test::exampleCopy(home.path(), QStringLiteral("Conveyor_DipSwitch"), QStringLiteral("Belt"));
    const ConfigurationArchive archive =
        readConfigurationArchive(packConfiguration(source, QStringLiteral("Belt"), false), QStringLiteral("b.zip"));
    EXPECT_EQ(archive.manifest.deviceType, 1);
    EXPECT_EQ(archive.manifest.configuration, QStringLiteral("Belt"));
}

TEST(ConfigurationArchive, HostileArchivesAreRefusedAndNothingIsWritten)
{
    const QByteArray good = zipOf({kParGen, kManifest});
    const QByteArray zeros9MB(9 * 1024 * 1024, '\0');
    const QByteArray zeros7MB(7 * 1024 * 1024, '\0');
    const struct {
        const char* what;
        QByteArray zip;
        const char* says;
    } cases[] = {
        {"not a zip", "ParGen.xml is a text", "it is no zip file"},
        {"empty file", "", "it is no zip file"},
        {"parent path", zipOf({{QStringLiteral("../x.xml"), "<x/>"}, kManifest}), "the entry ../x.xml leads out of the configuration folder"},
        {"parent inside", zipOf({{QStringLiteral("bin/../../x.xml"), "<x/>"}, kManifest}), "leads out of the configuration folder"},
        {"backslash parent", zipOf({{QStringLiteral("..\\x.xml"), "<x/>"}, kManifest}), "leads out of the configuration folder"},
        {"absolute path", zipOf({{QStringLiteral("/tmp/x.xml"), "<x/>"}, kManifest}), "the entry /tmp/x.xml has an absolute path"},
        {"drive path", zipOf({{QStringLiteral("C:/x.xml"), "<x/>"}, kManifest}), "has an absolute path"},
        {"link", zipOf({{QStringLiteral("ParGen.xml"), "/etc/passwd", 0120777}, kManifest}), "the entry ParGen.xml is a link"},
        {"unknown file", zipOf({{QStringLiteral("run.sh"), "rm -rf /"}, kManifest}), "the entry run.sh is no file of a configuration"},
        {"file twice", zipOf({kParGen, kParGen, kManifest}), "the entry ParGen.xml stands twice"},
        {"1 GB claimed", withClaimedSize(good, 1u << 30), "is larger than any configuration file can be"},
        {"bomb claiming little", withClaimedSize(zipOf({{QStringLiteral("ParGen.xml"), zeros9MB}}), 100), "is damaged"},
        {"entry beyond any file", zipOf({{QStringLiteral("RInfoCob.xml"), zeros9MB}, kManifest}), "the entry RInfoCob.xml is larger than any configuration file can be"},
        {"too much in all", zipOf({{QStringLiteral("RInfoCob.xml"), zeros7MB}, {QStringLiteral("TInfoCob.xml"), zeros7MB}, {QStringLiteral("RInfoCob.csv"), zeros7MB}, kManifest}), "it unpacks to more than any configuration can hold"},
        {"truncated end", good.left(good.size() - 10), "damaged or truncated"},
        {"truncated half", good.left(good.size() / 2), "damaged or truncated"},
        {"no manifest", zipOf({kParGen}), "it holds no manifest"},
        {"another product", zipOf({kParGen, {QStringLiteral("manifest.xml"), manifestOf("PX40999")}}), "another product (PX40999)"},
        {"manifest of no kind", zipOf({kParGen, {QStringLiteral("manifest.xml"), "<Other/>"}}), "its manifest is of another kind"},
    };
    for (const auto& c : cases) {
        QTemporaryDir home;
        const QString projects = home.filePath(QStringLiteral("PROJECTS"));
        QDir().mkpath(projects);
        writeFileAtomically(home.filePath(QStringLiteral("in.zip")), c.zip);
        try {
            const ConfigurationArchive archive = loadConfigurationArchive(home.filePath(QStringLiteral("in.zip")));
            unpackConfiguration(archive, projects, QStringLiteral("Plant1"));
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("in.zip is not a configuration archive of PX40318: "))) << c.what << ": " << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QLatin1StringView(c.says))) << c.what << ": " << e.text().toStdString();
        }
        EXPECT_EQ(everythingIn(projects), QStringList()) << c.what;
        EXPECT_EQ(everythingIn(home.path()), (QStringList{QStringLiteral("PROJECTS"), QStringLiteral("in.zip")})) << c.what;
    }
}

TEST(ConfigurationArchive, UnpackFollowsTheNameRulesOfNew)
{
    QTemporaryDir home;
    const QString projects = home.filePath(QStringLiteral("PROJECTS"));
    QDir().mkpath(projects + QStringLiteral("/Plant1/bin"));
    const ConfigurationArchive archive = readConfigurationArchive(zipOf({kParGen, kManifest}), QStringLiteral("a.zip"));
    EXPECT_EQ(unpackConfiguration(archive, projects, QString()), msg::kNewConfigNameEmpty);
    EXPECT_EQ(unpackConfiguration(archive, projects, QStringLiteral("plant1")), msg::kNewConfigNameExists);
    EXPECT_EQ(unpackConfiguration(archive, projects, QStringLiteral("bad\x01name")), msg::kNewConfigNameControl);
    EXPECT_EQ(unpackConfiguration(archive, projects, QStringLiteral("a/b")), msg::kNewConfigNameRefused);
    EXPECT_EQ(everythingIn(projects), QStringList{QStringLiteral("Plant1")});
    EXPECT_EQ(everythingIn(projects + QStringLiteral("/Plant1")), QStringList{QStringLiteral("bin")});
}

TEST(ConfigurationArchive, WriteReplacesTheArchiveWholeOrNotAtAll)
{
    QTemporaryDir home;
    const QString source = test::exampleCopy(home.path(), QStringLiteral("PumpStation_Jumper"), QStringLiteral("Pump"));
    const QString zipPath = home.filePath(QStringLiteral("Pump.zip"));
    writeFileAtomically(zipPath, "old");
    // A target whose folder is a file cannot be written: the error names it.
    EXPECT_THROW(writeConfigurationArchive(source, QStringLiteral("Pump"), zipPath + QStringLiteral("/x.zip"), false), Error);
    EXPECT_EQ(readWholeFile(zipPath), QByteArray("old"));
    writeConfigurationArchive(source, QStringLiteral("Pump"), zipPath, false);
    EXPECT_EQ(loadConfigurationArchive(zipPath).files.size(), 5u);
}

} // namespace
} // namespace px
