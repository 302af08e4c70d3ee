#include "core/base/atomic_file.h"

#include "core/base/error.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

namespace px {
namespace {

TEST(AtomicFile, ReplacesWholeAndReportsARefusedWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bin"));
    writeFileAtomically(path, QByteArray("first version, long"));
    writeFileAtomically(path, QByteArray("second"));
    EXPECT_EQ(readWholeFile(path), QByteArray("second"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.bin")});

    // A parent that is a file refuses the write, even for root.
    const QString blocked = path + QStringLiteral("/inside.bin");
    try {
        writeFileAtomically(blocked, QByteArray("x"));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("inside.bin"))) << e.text().toStdString();
    }
    EXPECT_EQ(readWholeFile(path), QByteArray("second"));
    EXPECT_THROW(readWholeFile(dir.filePath(QStringLiteral("missing"))), Error);
}

TEST(AtomicFile, OnlyANonExistentConfigurationFileIsMissing)
{
    // Whatever else stands in a configuration file's place is named with its cause; a
    // pipe is refused without being opened, so nothing waits on it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RCobDef.xml"));
    const struct {
        const char* what;
        std::function<void()> make;
        const char* cause;   // empty: the file is missing, no error
    } cases[] = {
        {"nothing", [] {}, ""},
        {"a folder", [&] { QDir().mkdir(path); }, "it is a folder"},
        {"a dangling link", [&] { QFile::link(dir.filePath(QStringLiteral("gone.xml")), path); }, "which does not exist"},
        {"a named pipe", [&] { QProcess::execute(QStringLiteral("mkfifo"), {path}); }, "it is not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        if (*c.cause == '\0') {
            EXPECT_FALSE(configurationFileExists(path));
        } else {
            for (const auto& read : std::initializer_list<std::function<void()>>{
                     [&] { configurationFileExists(path); }, [&] { readConfigurationFile(path); }}) {
                try {
                    read();
                    ADD_FAILURE() << "no error";
                } catch (const Error& e) {
                    EXPECT_EQ(e.text().left(e.text().indexOf(u':', 20)), QStringLiteral("Cannot read the file ") + path);
                    EXPECT_TRUE(e.text().contains(QLatin1StringView(c.cause))) << e.text().toStdString();
                }
            }
        }
        QFile::remove(path);
        QDir().rmdir(path);
    }
}

TEST(AtomicFile, ConfigurationFileLargerThanTheLimitIsRefusedWithItsSize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RInfoCob.xml"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<RInfoCob/>");   // 11 bytes
    f.close();
    EXPECT_EQ(readConfigurationFile(path, 11), QByteArray("<RInfoCob/>"));
    try {
        readConfigurationFile(path, 10);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Cannot read the file %1: it holds 11 bytes, more than the 10 bytes of any "
                                           "configuration").arg(path));
    }
    EXPECT_EQ(kMaxConfigurationFileSize, 4 * 1024 * 1024);
}

} // namespace
} // namespace px
