#pragma once

#include <QString>

namespace px::product {

// Fixed identity of the product, shown in titles and written into every configuration file.
inline const QString kSoftwareCode = QStringLiteral("PX40318");
inline const QString kDescription = QStringLiteral("CAN / Modbus TCP Slave - Converter");
inline const QString kVersion = QStringLiteral("2.505");
inline const QString kVersionComment = QStringLiteral("SW_VERSION = 2.505");

// The maker's web site. A placeholder under the reserved .example domain until the
// real address is known; every use goes through these constants.
inline const QString kWebDomain = QStringLiteral("www.orvane.example");
inline const QString kWebAddress = QStringLiteral("http://www.orvane.example");
inline const QString kHomePage = QStringLiteral("http://www.orvane.example/HOME/default.asp?frompg=PX40318");

// The main window's title: the domain, then the product line (with its trailing blank).
inline QString mainWindowTitle()
{
    return kWebDomain + QStringLiteral(" - Configurator PX40318 - CAN / Modbus TCP Slave ");
}

} // namespace px::product
