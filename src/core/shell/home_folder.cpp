#include "core/shell/home_folder.h"

namespace px {

HomeChoice chooseHomeFolder(const QStringList& args, const QString& environmentValue)
{
    HomeChoice c;
    c.folder = environmentValue;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QStringLiteral("--home")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                c.error = QStringLiteral("--home needs a folder");
                return c;
            }
            c.folder = args[++i];
        } else if (a.startsWith(QStringLiteral("--home="))) {
            c.folder = a.mid(7);
            if (c.folder.isEmpty()) {
                c.error = QStringLiteral("--home needs a folder");
                return c;
            }
        } else {
            c.rest << a;
        }
    }
    return c;
}

} // namespace px
