#pragma once

#include "core/shell/configuration_names.h"

#include <QString>

namespace px {

struct ConfigurationArchive;

// Configurations as single .zip files (core/shell/config_archive.h), behind an interface:
// the configurator loads the zip code only when the Manage window first opens.
class ConfigurationArchives {
public:
    virtual ~ConfigurationArchives() = default;
    // As writeConfigurationArchive.
    virtual void write(const QString& configurationFolder, const QString& name, const QString& zipPath,
                       bool withImages) = 0;
    // As loadConfigurationArchive.
    virtual ConfigurationArchive load(const QString& zipPath) = 0;
    // As unpackConfiguration.
    virtual NameRefusal unpack(const ConfigurationArchive& archive, const QString& destFolder, const QString& name) = 0;
};

} // namespace px
