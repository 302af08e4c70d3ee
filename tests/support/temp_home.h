#pragma once

#include "core/shell/session.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace px::test {

// A fresh home folder for one test, with a started session in it.
class TempHome {
public:
    TempHome();
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const { return m_dir.filePath(relative); }
    // Creates PROJECTS/<name> with its bin folder and makes it active.
    void activate(const QString& name);
    // Writes a file below the home folder, creating its folders.
    void write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;

    Session session;

private:
    QTemporaryDir m_dir;
};

// Writes a whole file at `path`, creating its folders; a failure fails the test.
void writeFile(const QString& path, const QByteArray& bytes);
// The bytes of the file at `path`; empty when it cannot be read.
QByteArray readFile(const QString& path);

// The bytes of a fixture file below tests/fixtures.
QByteArray fixture(const QString& relative);
QString fixturePath(const QString& relative);

// Copies the files of the example configuration `example` (examples/<example>) into the
// folder `to`, made with its bin/ folder; returns `to`.
QString copyExample(const QString& example, const QString& to);

} // namespace px::test
