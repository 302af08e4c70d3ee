#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace px {

// The hardware generation a configuration is for, as stored in Device_Type.
using DeviceType = int;
inline constexpr DeviceType kJumperDevice = 0;     // device till April 2014, boot mode by jumper
inline constexpr DeviceType kDipSwitchDevice = 1;  // device from May 2014, boot mode by dip-switch

// The CAN bit rate as stored in BaudRateCAN. The code follows the position in the baud
// list, not the label: 20K 9, 50K 2, 100K 3, 125K 4, 250K 5, 500K 6, 800K 7, 1000K 8 and,
// on the dip-switch device only, 75K 10.
using CanBaudCode = int;
inline constexpr CanBaudCode kDefaultBaudCode = 8;  // 1000K, also written when no rate is selected

// The communication settings of one configuration, kept in ParGen.xml. Apart from the
// device type, the baud code, the CAN type and the two flags every value is the text the
// user typed, stored unchanged; the checks convert it only to judge it.
struct GeneralParameters {
    DeviceType deviceType = kJumperDevice;
    CanBaudCode baudCode = kDefaultBaudCode;  // as read or to be written (not yet mapped to a list position)
    int canType = 0;                          // 0 CAN 2.0A (11-bit Cob-ID), 1 CAN 2.0B (29-bit)
    QString canTimeOut = QStringLiteral("0");  // milliseconds of validity of received CAN data
    std::array<QString, 4> ip{QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("0"), QStringLiteral("10")};
    std::array<QString, 4> subnet{QStringLiteral("255"), QStringLiteral("255"), QStringLiteral("255"), QStringLiteral("0")};
    bool gatewayEnabled = false;
    std::array<QString, 4> gateway{QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("0"), QStringLiteral("1")};
    QString port = QStringLiteral("502");     // Modbus TCP port of the converter
    bool fastBoot = false;                     // fast start-up, valid only on a 100 Mbit/s link

    bool operator==(const GeneralParameters&) const = default;
};

// The labels of the baud list for a device: eight entries, and "75K" as a ninth for the
// dip-switch device (any other value gets the jumper device's list).
QStringList Update_CAN_Baud(DeviceType device);

// List position -> stored code. A position outside the list (-1: no selection) gives 8.
CanBaudCode baudCodeForPosition(int position);

// Stored code -> list position in the list of `device`. Nothing when the code maps onto
// no position at all (0, 1, 11 and above, negative): the editor then keeps the rate it
// showed. -1 when the code has a position that this device's list lacks (10, 75K, on the
// jumper device): no rate is selected.
std::optional<int> baudPositionForCode(CanBaudCode code, DeviceType device);

// Reading ParGen.xml. A missing file gives every default. Otherwise the first top-level
// node is taken as the parameter element and each value is looked up on its own: a
// missing element or attribute, or a number that does not convert, gives that value's
// default only. A file that cannot be read or parsed throws px::Error (file, line, cause).
GeneralParameters LoadGeneralParameters(const QString& path);
GeneralParameters readGeneralParameters(const QDomDocument& doc);

// Writing ParGen.xml: the root GeneralParameter with its ten children in their fixed
// order, the version comment after it, written atomically over the old file. Throws
// px::Error naming the file when it cannot be written; the old file is then intact.
void SaveGeneralParameters(const QString& path, const GeneralParameters& params);
QByteArray generalParametersBytes(const GeneralParameters& params);

// The checks run by OK, in their fixed order, stopping at the first failure. Returns 0
// when every check passes, otherwise the message index of the failed check (109 to 122).
// A text that does not convert counts as -1 and fails its range.
inline constexpr int kChecksPassed = 0;
int Controllo_Dati(const GeneralParameters& params);

} // namespace px
