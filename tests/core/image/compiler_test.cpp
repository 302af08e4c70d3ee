#include "core/image/compiler.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "image_test_support.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace px {
namespace {

using image::compileAndWriteImages;
using test::parGen;
using test::rowsFile;

const char* const kImages[] = {"bank.bin", "bank2.bin", "bank_ESP32_1.bin", "bank_ESP32_2.bin"};

class CompilerFiles : public ::testing::Test {
protected:
    void SetUp() override { home.activate(QStringLiteral("Plant1")); }
    QString conf() const { return home.session.ws.configurationFolder; }
    void put(const char* name, const QByteArray& bytes) const
    {
        home.write(QStringLiteral("PROJECTS/Plant1/") + QLatin1StringView(name), bytes);
    }
    QByteArray image(const char* name) const { return home.read(QStringLiteral("PROJECTS/Plant1/bin/") + QLatin1StringView(name)); }
    void putWorkedExample() const
    {
        put("ParGen.xml", test::fixture(QStringLiteral("image/worked_11bit/ParGen.xml")));
        put("RCobDef.xml", test::fixture(QStringLiteral("image/worked_11bit/RCobDef.xml")));
        put("TCobDef.xml", test::fixture(QStringLiteral("image/worked_11bit/TCobDef.xml")));
        put("RInfoCob.xml", test::fixture(QStringLiteral("image/worked_11bit/RInfoCob.xml")));
    }

    test::TempHome home;
};

TEST_F(CompilerFiles, NoFilesStillGiveFourImages)
{
    compileAndWriteImages(conf());
    const int sizes[] = {4376, 73728, 2048, 71680};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(image(kImages[i]).size(), sizes[i]) << kImages[i];
}

TEST_F(CompilerFiles, CompilingTwiceOrForTheOtherGenerationGivesTheSameImages)
{
    putWorkedExample();
    compileAndWriteImages(conf());
    QList<QByteArray> first;
    for (const char* name : kImages)
        first.append(image(name));
    EXPECT_EQ(first[0].size(), 4415);
    compileAndWriteImages(conf());
    put("ParGen.xml", QString::fromLatin1(test::fixture(QStringLiteral("image/worked_11bit/ParGen.xml")))
                          .replace(QStringLiteral("<Device_Type>0"), QStringLiteral("<Device_Type>1"))
                          .toLatin1());
    compileAndWriteImages(conf());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(image(kImages[i]), first[i]) << kImages[i];
}

TEST_F(CompilerFiles, AnErrorStopsTheCompileAndLeavesEveryImageAsItWas)
{
    putWorkedExample();
    compileAndWriteImages(conf());
    QList<QByteArray> before;
    for (const char* name : kImages)
        before.append(image(name));

    const struct {
        const char* file;
        QByteArray content;
        const char* named;
    } cases[] = {
        {"RCobDef.xml", rowsFile("COBID", R"(<row CobID="1" Dimensin="8"/><row Dimensin="8" TimeOut="Y"/>)"), "row 2, attribute CobID"},
        // The dip-switch editor stores any time-out text; the legacy image needs an integer.
        {"ParGen.xml", parGen("<Device_Type>1</Device_Type><CANTimeOut>abc</CANTimeOut>"), "element CANTimeOut"},
        {"TInfoCob.xml", "<TInfoCob><row Index=\"1\"</TInfoCob>", "TInfoCob.xml"},
        // Only the current images see this one, after the legacy image was built.
        {"TCobDef.xml", rowsFile("COBID", QByteArray(R"(<row CobID="1" Dimensin="8"/>)").repeated(321)), "320"},
    };
    for (const auto& c : cases) {
        putWorkedExample();
        put(c.file, c.content);
        try {
            compileAndWriteImages(conf());
            ADD_FAILURE() << c.file << ": no error";
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().contains(QLatin1StringView(c.file))) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QLatin1StringView(c.named))) << e.text().toStdString();
        }
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(image(kImages[i]), before[i]) << c.file << " " << kImages[i];
        QFile::remove(conf() + QStringLiteral("/TInfoCob.xml"));
    }
}

TEST_F(CompilerFiles, AnImageThatCannotBeWrittenIsReportedAndNoneIsReplaced)
{
    compileAndWriteImages(conf());
    const QByteArray oldBank = image("bank.bin");
    putWorkedExample();
    // A folder in the place of the third image: it cannot be replaced.
    const QString blocked = conf() + QStringLiteral("/bin/bank_ESP32_1.bin");
    ASSERT_TRUE(QFile::remove(blocked));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/x")));
    try {
        compileAndWriteImages(conf());
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("bank_ESP32_1.bin"))) << e.text().toStdString();
    }
    EXPECT_EQ(image("bank.bin"), oldBank);

    // Without a bin folder nothing is written and the first image is named.
    ASSERT_TRUE(QDir(conf() + QStringLiteral("/bin")).removeRecursively());
    try {
        compileAndWriteImages(conf());
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("bank.bin"))) << e.text().toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(conf() + QStringLiteral("/bin")));
}

} // namespace
} // namespace px

namespace px {
namespace {

// The third image cannot replace the old one after the first two did: every image is the
// earlier one again, and the message says so.
TEST(ImageReplacement, AFailedReplacementPutsTheEarlierImagesBack)
{
    QTemporaryDir dir;
    const QString bin = dir.path();
    for (const char* name : kImages)
        writeFileAtomically(bin + u'/' + QLatin1StringView(name), QByteArray("old ") + name);
    image::ConfigurationImage fresh{"new bank", "new bank2", "new esp1", "new esp2"};
    try {
        image::writeConfigurationImage(fresh, bin, [&](int index) {
            if (index != 2)
                return;
            // A folder with content in the image's place refuses the rename.
            const QString target = bin + QStringLiteral("/bank_ESP32_1.bin");
            QFile::remove(target);
            QDir(bin).mkpath(QStringLiteral("bank_ESP32_1.bin/x"));
        });
        FAIL() << "the write was reported as done";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("bank_ESP32_1.bin"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("earlier images were kept"))) << e.text().toStdString();
    }
    EXPECT_EQ(readWholeFile(bin + QStringLiteral("/bank.bin")), QByteArray("old bank.bin"));
    EXPECT_EQ(readWholeFile(bin + QStringLiteral("/bank2.bin")), QByteArray("old bank2.bin"));
    EXPECT_EQ(readWholeFile(bin + QStringLiteral("/bank_ESP32_2.bin")), QByteArray("old bank_ESP32_2.bin"));
}

} // namespace
} // namespace px
