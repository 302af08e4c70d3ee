// The module px_zip: configurations as .zip files (app/modules.h).

#include "app/modules.h"
#include "core/shell/config_archive.h"

extern "C" Q_DECL_EXPORT px::ConfigurationArchives* px_configuration_archives()
{
    static px::ZipConfigurationArchives archives;
    return &archives;
}
