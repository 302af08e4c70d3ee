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
    const QString p = file(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << p.toStdString();
    f.write(bytes);
}

QByteArray TempHome::read(const QString& relative) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
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
