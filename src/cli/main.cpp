// px40318: compiles, checks and inspects configurations without a display.

#include "core/base/product.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char* const kUsage =
    "Usage: px40318 <command> [arguments]\n"
    "\n"
    "Commands:\n"
    "  --help       show this text\n"
    "  --version    show the software code and the version\n";

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QString& command = args.first();
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h") || command == QStringLiteral("help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == QStringLiteral("--version")) {
        std::printf("%s %s\n", qPrintable(px::product::kSoftwareCode), qPrintable(px::product::kVersion));
        return 0;
    }
    std::fprintf(stderr, "px40318: unknown command '%s'\n%s", qPrintable(command), kUsage);
    return 2;
}
