#pragma once

#include <QByteArray>
#include <QString>

namespace px::sim {

// What the five configuration files of `folder` hold, as one value: it changes when any of
// them is written with other bytes, appears or goes away, and only then. A window that
// watches the folder compares it to tell a save of the configuration from other traffic.
QByteArray configurationFingerprint(const QString& folder);

} // namespace px::sim
