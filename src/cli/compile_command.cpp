// px40318 compile DIR [--out OUTDIR] [--quiet]: the four images of a configuration folder.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/check/check.h"
#include "core/config/configuration.h"
#include "core/image/compiler.h"
#include "core/lang/message_table.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace px::cli {
namespace {

// The check before a compile: every finding goes to standard error. True when the compile
// may go on: always, unless `strict` and an error was found. A configuration the model
// cannot read is left to the compile, which names the cause itself.
bool checkBeforeCompile(const QString& dir, bool strict)
{
    std::vector<check::Finding> findings;
    try {
        findings = check::check(config::readConfiguration(dir));
    } catch (const px::Error&) {
        return true;
    }
    const MessageTable messages;
    for (const auto& f : findings)
        std::fprintf(stderr, "%s\n", check::findingLine(f, messages).toUtf8().constData());
    if (strict && check::errorCount(findings) > 0) {
        std::fprintf(stderr, "px40318: %s: not compiled (--strict)\n", qPrintable(check::findingsSummary(findings)));
        return false;
    }
    return true;
}

} // namespace

int runCompileCommand(const Arguments& args)
{
    const QString dir = QDir::fromNativeSeparators(args.positional(0));
    if (!QFileInfo(dir).isDir())
        return failure(QStringLiteral("%1 is not a configuration folder").arg(px::displayPath(dir)));
    const QString out = QDir::fromNativeSeparators(args.isSet(QStringLiteral("out")) ? args.value(QStringLiteral("out"))
                                                                                      : dir + QStringLiteral("/bin"));
    if (!checkBeforeCompile(dir, args.isSet(QStringLiteral("strict"))))
        return kFailure;
    try {
        px::image::CompileInput input = px::image::CompileInput::fromFolder(dir);
        const px::image::ConfigurationImage image = px::image::compileConfiguration(input);
        // Creates the output folder where it is missing, and removes it again when the
        // images cannot be written.
        px::image::writeConfigurationImageInto(image, out);
        if (args.isSet(QStringLiteral("quiet")))
            return kSuccess;
        const QByteArray* bytes[] = {&image.bank, &image.bank2, &image.esp32_1, &image.esp32_2};
        for (int i = 0; i < 4; ++i) {
            printOut(QStringLiteral("%1 (%2 bytes)\n")
                         .arg(px::displayPath(out + u'/' + QLatin1StringView(px::image::kImageFileNames[i])))
                         .arg(bytes[i]->size()));
        }
    } catch (const px::Error& e) {
        return failure(e.text());
    }
    return kSuccess;
}

} // namespace px::cli
