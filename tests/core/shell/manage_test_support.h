#pragma once

#include <QDir>
#include <QFile>
#include <QString>

namespace px::test {

// A copy of one of the example configurations as HOME/PROJECTS/<name>, with its bin folder.
inline QString exampleCopy(const QString& home, const QString& example, const QString& name)
{
    const QString target = home + QStringLiteral("/PROJECTS/") + name;
    QDir().mkpath(target + QStringLiteral("/bin"));
    const QDir source(QStringLiteral(PX_EXAMPLES_DIR "/") + example);
    for (const QString& file : source.entryList(QDir::Files))
        QFile::copy(source.filePath(file), target + u'/' + file);
    return target;
}

} // namespace px::test
