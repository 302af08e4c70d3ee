// px40318: compiles, checks and inspects configurations without a display.

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/product.h"
#include "core/image/compiler.h"
#include "core/image/image_dump.h"
#include "core/image/image_layout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

const char* const kUsageLine = "Usage: px40318 <command> [arguments]   (px40318 --help lists the commands)\n";

const char* const kHelp =
    "Usage: px40318 <command> [arguments]\n"
    "\n"
    "Commands:\n"
    "  compile DIR [--out OUTDIR]\n"
    "               compile the configuration folder DIR (ParGen.xml, RCobDef.xml,\n"
    "               TCobDef.xml, RInfoCob.xml, TInfoCob.xml; a missing file counts as\n"
    "               empty) into the four images bank.bin, bank2.bin, bank_ESP32_1.bin\n"
    "               and bank_ESP32_2.bin, written into DIR/bin or OUTDIR (created when\n"
    "               missing). All four are built before any is written, and replaced\n"
    "               together: on an error nothing is written.\n"
    "  dump FILE    decode any of the four images into readable text: the legacy\n"
    "               header and sections, the frame and mapping entries in use, the\n"
    "               default values that are set, every parameter-record field and\n"
    "               whether the stored checksum is right.\n"
    "  --help       show this text\n"
    "  --version    show the software code and the version\n"
    "\n"
    "Exit status: 0 success, 1 the configuration or file could not be compiled, read,\n"
    "written or decoded (the cause goes to standard error), 2 wrong arguments.\n";

int usageError(const QString& message)
{
    std::fprintf(stderr, "px40318: %s\n%s", qPrintable(message), kUsageLine);
    return 2;
}

int failure(const QString& message)
{
    std::fprintf(stderr, "px40318: %s\n", qPrintable(message));
    return 1;
}

int compileCommand(const QStringList& args)
{
    QString dir;
    QString out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QStringLiteral("--out")) {
            if (i + 1 >= args.size())
                return usageError(QStringLiteral("--out needs a folder"));
            if (!out.isEmpty())
                return usageError(QStringLiteral("--out given twice"));
            out = args[++i];
        } else if (a.startsWith(u'-') && a.size() > 1) {
            return usageError(QStringLiteral("unknown option '%1' for compile").arg(a));
        } else if (dir.isEmpty()) {
            dir = a;
        } else {
            return usageError(QStringLiteral("compile takes one configuration folder"));
        }
    }
    if (dir.isEmpty())
        return usageError(QStringLiteral("compile needs a configuration folder"));
    dir = QDir::fromNativeSeparators(dir);
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));
    if (out.isEmpty())
        out = dir + QStringLiteral("/bin");
    out = QDir::fromNativeSeparators(out);

    try {
        px::image::CompileInput input = px::image::CompileInput::fromFolder(dir);
        const px::image::ConfigurationImage image = px::image::CompileConfiguration(input);
        if (!QFileInfo(out).isDir() && !QDir().mkpath(out))
            return failure(QStringLiteral("Cannot create the folder %1").arg(px::displayPath(out)));
        px::image::WriteConfigurationImage(image, out);
        const QByteArray* bytes[] = {&image.bank, &image.bank2, &image.esp32_1, &image.esp32_2};
        for (int i = 0; i < 4; ++i) {
            std::printf("%s (%lld bytes)\n",
                        qPrintable(px::displayPath(out + u'/' + QLatin1StringView(px::image::kImageFileNames[i]))),
                        static_cast<long long>(bytes[i]->size()));
        }
    } catch (const px::Error& e) {
        return failure(e.text());
    }
    return 0;
}

// The file's bytes up to one more than the longest image (bank.bin's 100001), so that a
// huge file or a device that never ends is refused instead of read without end.
QByteArray readImageFile(const QString& path)
{
    constexpr qint64 kLongestImage = px::image::layout::kLegacyMaxSize;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw px::Error(QStringLiteral("Cannot read the file %1: %2").arg(px::displayPath(path), file.errorString()));
    QByteArray bytes;
    while (bytes.size() <= kLongestImage) {
        const QByteArray part = file.read(kLongestImage + 1 - bytes.size());
        if (part.isEmpty())
            break;
        bytes += part;
    }
    if (file.error() != QFileDevice::NoError)
        throw px::Error(QStringLiteral("Cannot read the file %1: %2").arg(px::displayPath(path), file.errorString()));
    if (bytes.size() > kLongestImage) {
        throw px::Error(QStringLiteral("%1: not a configuration image (more than %2 bytes)")
                            .arg(QFileInfo(path).fileName())
                            .arg(kLongestImage));
    }
    return bytes;
}

int dumpCommand(const QStringList& args)
{
    if (args.size() != 1 || (args[0].startsWith(u'-') && args[0].size() > 1))
        return usageError(QStringLiteral("dump takes one image file"));
    try {
        const QString path = QDir::fromNativeSeparators(args[0]);
        const QString text = px::image::dumpImage(readImageFile(path), QFileInfo(path).fileName());
        std::fputs(text.toUtf8().constData(), stdout);
    } catch (const px::Error& e) {
        return failure(e.text());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString& command = args.first();
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h") || command == QStringLiteral("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (command == QStringLiteral("--version")) {
        std::printf("%s %s\n", qPrintable(px::product::kSoftwareCode), qPrintable(px::product::kVersion));
        return 0;
    }
    if (command == QStringLiteral("compile"))
        return compileCommand(args.mid(1));
    if (command == QStringLiteral("dump"))
        return dumpCommand(args.mid(1));
    return usageError(QStringLiteral("unknown command '%1'").arg(command));
}
