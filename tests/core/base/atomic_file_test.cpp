#include "core/base/atomic_file.h"

#include "core/base/error.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>

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

} // namespace
} // namespace px
