// Writes the largest configuration the editors allow (common/maximal_configuration.h) into
// a folder, for whole-process timings of the command-line tool:
//   write_maximal_configuration DIR
#include "common/maximal_configuration.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_maximal_configuration DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    const auto files = px::bench::maximalConfigurationFiles();
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!files[i])
            continue;
        QFile f(dir + u'/' + px::config::fileName(static_cast<px::config::ConfigFile>(i)));
        if (!f.open(QIODevice::WriteOnly) || f.write(*files[i]) != files[i]->size())
            return 1;
    }
    return 0;
}
