#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace px::test {

// What a run of the command-line tool gave: its exit status (-1 when it crashed) and what
// it printed.
struct ToolRun {
    int status = -1;
    QString out;
    QString err;
};

// Runs the built tool (or `program`) with `args` and waits at most 30 s for its end.
inline ToolRun runTool(const QStringList& args, const QString& program = QStringLiteral(PX40318_EXE))
{
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(30000)) << args.join(u' ').toStdString();
    ToolRun r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace px::test
