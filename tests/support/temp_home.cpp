#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace px::test {

TempHome::TempHome()
{
    EXPECT_TRUE(m_dir.isValid());
    session.start(m_dir.path());
}

void TempHome::activate(const QString& name)
{
    QDir().mkpath(session.ws.projectsFolder + u'/' + name + QStringLiteral("/bin"));
    session.ws.activate(name);
}

void TempHome::write(const QString& relative, const QByteArray& bytes) const
{
    writeFile(file(relative), bytes);
}

QByteArray TempHome::read(const QString& relative) const
{
    return readFile(file(relative));
}

QString copyExample(const QString& example, const QString& to)
{
    QDir().mkpath(to + QStringLiteral("/bin"));
    const QDir from(QStringLiteral(PX_EXAMPLES_DIR "/") + example);
    const QStringList files = from.entryList(QDir::Files);
    EXPECT_FALSE(files.isEmpty()) << example.toStdString();
    for (const QString& f : files)
        EXPECT_TRUE(QFile::copy(from.filePath(f), to + u'/' + f)) << f.toStdString();
    return to;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    EXPECT_EQ(f.write(bytes), bytes.size()) << path.toStdString();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString fixturePath(const QString& relative)
{
    return QStringLiteral(PX_FIXTURES_DIR "/") + relative;
}

QByteArray fixture(const QString& relative)
{
    QFile f(fixturePath(relative));
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing fixture " << relative.toStdString();
        return {};
    }
    return f.readAll();
}

} // namespace px::test
