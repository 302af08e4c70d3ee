#include "app/modules.h"

#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "core/services/prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace px {

namespace {

// The file of a module in `folder`.
QString moduleFile(const QString& folder, const QString& module)
{
#ifdef Q_OS_WIN
    return folder + u'/' + module + QStringLiteral(".dll");
#else
    return folder + QStringLiteral("/lib") + module + QStringLiteral(".so");
#endif
}

} // namespace

void* Modules::entry(const QString& module, const char* function, bool quiet)
{
    // Beside the executable in a build tree (and a portable tree), in ../lib/px40318 when
    // installed.
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString candidates[] = {moduleFile(programFolder, module),
                                  moduleFile(QDir::cleanPath(programFolder + QStringLiteral("/../lib/px40318")), module)};
    QString file = candidates[0];
    QString cause = m_messages[msg::kModuleMissing];
    for (const QString& candidate : candidates) {
        if (!QFileInfo::exists(candidate))
            continue;
        file = candidate;
        QLibrary library(candidate);
        // Every symbol at once: a module that does not fit this executable fails here, with
        // the loader's reason, instead of at a later call.
        library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (void* found = reinterpret_cast<void*>(library.resolve(function)))
            return found;
        cause = library.errorString();
        break;
    }
    if (!quiet)
        m_prompter.error(m_messages[msg::kModuleCannotBeLoaded].arg(QDir::toNativeSeparators(file), cause));
    return nullptr;
}

LinkServices* Modules::links(bool quiet)
{
    auto* get = reinterpret_cast<LinkServices* (*)()>(entry(QStringLiteral("px_links"), "px_link_services", quiet));
    return get ? get() : nullptr;
}

PagePrinter* Modules::printer()
{
    auto* get = reinterpret_cast<PagePrinter* (*)()>(entry(QStringLiteral("px_print"), "px_page_printer", false));
    return get ? get() : nullptr;
}

ConfigurationArchives* Modules::archives()
{
    auto* get = reinterpret_cast<ConfigurationArchives* (*)()>(
        entry(QStringLiteral("px_zip"), "px_configuration_archives", false));
    return get ? get() : nullptr;
}

} // namespace px
