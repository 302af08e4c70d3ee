// px40318 compile DIR [--out OUTDIR] [--quiet]: the four images of a configuration folder.

#include "cli/command.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/check/check.h"
#include "core/config/configuration.h"
#include "core/image/compile_input.h"
#include "core/image/compiler.h"
#include "core/lang/message_table.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace px::cli {
namespace {

// The check before a compile, on the configuration as read for the compile. Every finding
// goes to standard error, unless `quiet`: then the findings are only counted (and printed
// when they stop the compile). True when the compile may go on: always, unless `strict`
// and an error was found. The cycle times of the signal file count as in `check`; a signal
// file that cannot be read stops no compile (the images never hold it).
bool checkBeforeCompile(const config::Configuration& configuration, const config::SignalTable& signalTable, bool strict,
                        bool quiet)
{
    const std::vector<check::Finding> findings = check::check(configuration, signalTable);
    const bool refused = strict && check::errorCount(findings) > 0;
    if (!quiet || refused) {
        const MessageTable messages;
        QString lines;
        lines.reserve(static_cast<qsizetype>(findings.size()) * 96);
        for (const auto& f : findings) {
            check::appendFindingLine(lines, f, messages);
            lines += u'\n';
        }
        const QByteArray text = lines.toUtf8();
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
    }
    if (refused) {
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
    const bool quiet = args.isSet(QStringLiteral("quiet"));
    try {
        // Each file read and parsed once, for the check and the compile. A configuration the
        // model cannot read is not checked: the compile reads it on its own and names the
        // cause itself.
        std::optional<px::image::CompileInput> input;
        try {
            px::image::ConfigurationRead read = px::image::readConfigurationOnce(dir);
            if (!checkBeforeCompile(read.configuration, config::loadSignalTableIfReadable(dir),
                                    args.isSet(QStringLiteral("strict")), quiet))
                return kFailure;
            read.input.takeModelRows(std::move(read.configuration));
            input = std::move(read.input);
        } catch (const px::Error&) {
            input = px::image::CompileInput::fromFolder(dir);
        }
        const px::image::ConfigurationImage image = px::image::compileConfiguration(*input);
        // Creates the output folder where it is missing, and removes it again when the
        // images cannot be written.
        px::image::writeConfigurationImageInto(image, out);
        if (quiet)
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
