#pragma once

#include <QString>
#include <QStringList>

namespace px {

// The home folder (Exe_Folder) for a run: `--home DIR` (or `--home=DIR`) on the command
// line, else the environment variable PX40318_HOME, else the executable's folder.
struct HomeChoice {
    QString folder;      // empty: the executable's folder
    QStringList rest;    // the arguments that remain, in order
    QString error;       // set when --home lacks its folder
};

HomeChoice chooseHomeFolder(const QStringList& args, const QString& environmentValue);

} // namespace px
