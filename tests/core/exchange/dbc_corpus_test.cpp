// A witness over a folder of real CAN databases from public projects, when it is there
// (the environment's PX_DBC_CORPUS, else PX_DBC_CORPUS_DIR beside the project; a clone of
// the project alone does not have it): every file is read,
// and what cannot be imported is named per frame or per line. The table of what was read
// is printed, for the record.

#include "core/base/error.h"
#include "core/exchange/dbc_reader.h"
#include "core/exchange/import_plan.h"

#include <QDir>
#include <QDirIterator>

#include <gtest/gtest.h>

#include <iostream>

namespace px::exchange {
namespace {

TEST(DbcCorpus, EveryDatabaseIsRead)
{
    const QString folder = qEnvironmentVariableIsEmpty("PX_DBC_CORPUS") ? QStringLiteral(PX_DBC_CORPUS_DIR)
                                                                         : qEnvironmentVariable("PX_DBC_CORPUS");
    if (!QDir(folder).exists())
        GTEST_SKIP() << "no corpus at " << folder.toStdString();
    QStringList files;
    QDirIterator it(folder, {QStringLiteral("*.dbc"), QStringLiteral("*.DBC")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    ASSERT_FALSE(files.isEmpty());

    int read = 0;
    int withSkipped = 0;
    QStringList refused;
    long messages = 0;
    long notImportable = 0;
    for (const QString& path : files) {
        const QString name = QDir(folder).relativeFilePath(path);
        try {
            const CanDatabase db = readDbcFile(path);
            int skipped = static_cast<int>(db.warnings.size());
            for (const CanMessage& m : db.messages)
                skipped += static_cast<int>(m.skippedLines.size());
            ++(skipped > 0 ? withSkipped : read);
            std::cout << "read" << (skipped > 0 ? " with skipped lines" : "") << ": " << name.toStdString() << " ("
                      << db.messages.size() << " frames)\n";
            for (const DbcWarning& w : db.warnings)
                std::cout << "    " << w.text.toStdString() << '\n';
            for (const ImportMessage& m : importMessages(db)) {
                ++messages;
                if (!m.notImportable.isEmpty()) {
                    ++notImportable;
                    std::cout << "    frame " << identifierText(m.id).toStdString() << ' ' << m.name.toStdString()
                              << " not importable: " << m.notImportable.toStdString() << '\n';
                }
            }
        } catch (const Error& e) {
            refused << name + QStringLiteral(": ") + e.text();
        }
    }
    std::cout << files.size() << " files: " << read << " read, " << withSkipped << " read with skipped lines, "
              << refused.size() << " refused; " << messages << " frames, " << notImportable << " not importable\n";
    EXPECT_TRUE(refused.isEmpty()) << refused.join(u'\n').toStdString();
}

} // namespace
} // namespace px::exchange
