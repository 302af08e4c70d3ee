#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace px::xml {
struct XmlContent;
}

namespace px {

// The hardware generation a configuration is for, as stored in Device_Type.
using DeviceType = int;
inline constexpr DeviceType kJumperDevice = 0;     // device till April 2014, boot mode by jumper
inline constexpr DeviceType kDipSwitchDevice = 1;  // device from May 2014, boot mode by dip-switch

// The CAN bit rate as stored in BaudRateCAN.
using CanBaudCode = int;
inline constexpr CanBaudCode kDefaultBaudCode = 8;  // 1000K, also written when no rate is selected

// One CAN bit rate the converter offers. The stored code follows the rate's position in
// the editor's list, not its label.
struct CanBaudRate {
    CanBaudCode code;
    QLatin1StringView label;      // as the editor lists it
    std::uint32_t bitsPerSecond;  // as the device applies it
    bool dipSwitchOnly;           // listed for the dip-switch device only
};

// The bit rates in the order of the editor's list; the rates of the dip-switch device
// only come last, so that both devices share the positions of the common ones.
inline constexpr std::array<CanBaudRate, 9> kCanBaudRates{{
    {9, QLatin1StringView("20K"), 20000, false},
    {2, QLatin1StringView("50K"), 50000, false},
    {3, QLatin1StringView("100K"), 100000, false},
    {4, QLatin1StringView("125K"), 125000, false},
    {5, QLatin1StringView("250K"), 250000, false},
    {6, QLatin1StringView("500K"), 500000, false},
    {7, QLatin1StringView("800K"), 800000, false},
    {8, QLatin1StringView("1000K"), 1000000, false},
    {10, QLatin1StringView("75K"), 75000, true},
}};

// The labels of the baud list for a device: eight entries, and "75K" as a ninth for the
// dip-switch device (any other value gets the jumper device's list).
QStringList baudRateLabels(DeviceType device);

// List position -> stored code. A position outside the list (-1: no selection) gives 8.
CanBaudCode baudCodeForPosition(int position);

// Stored code -> list position in the list of `device`. Nothing when the code maps onto
// no position at all (0, 1, 11 and above, negative): the editor then keeps the rate it
// showed. -1 when the code has a position that this device's list lacks (10, 75K, on the
// jumper device): no rate is selected.
std::optional<int> baudPositionForCode(CanBaudCode code, DeviceType device);

// The bit rate in bit/s the device applies for a stored code: a code outside the table
// runs the bus at 1000K, the rate of the default code.
std::uint32_t bitRateOfBaudCode(CanBaudCode code);

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

    // The time-out as the jumper device's frame editors write it into every receive row:
    // the integer text read, 0 when it is not an integer.
    std::int32_t canTimeOutMilliseconds() const;

    bool operator==(const GeneralParameters&) const = default;
};

// Reading ParGen.xml from its bytes; `fileLabel` names the file in errors. The first
// top-level node is taken as the parameter element whatever its name (a declaration or a
// comment standing first leaves every value at its default), and each value is looked up
// on its own: a missing element or attribute, or a number that does not convert, gives
// that value's default only; a flag is on only for the text "1". A document that does
// not parse throws px::Error (file, line, cause).
GeneralParameters readGeneralParameters(const QByteArray& bytes, const QString& fileLabel);
// The same from the file as parsed.
GeneralParameters readGeneralParameters(const xml::XmlContent& content);

// The same from a file: a missing file gives every default; a file that cannot be read
// or parsed throws px::Error naming it.
GeneralParameters readGeneralParametersFile(const QString& path);

// Writing ParGen.xml: the root GeneralParameter with its ten children in their fixed
// order and the address attributes in theirs, the version comment after it. A value that
// XML cannot hold (a pasted control character) throws px::Error naming the element or
// attribute: written, it would leave a file that no longer parses.
QByteArray generalParametersBytes(const GeneralParameters& params);

// The bytes above written whole over the old file. Throws px::Error naming the file when
// it cannot be written; the old file is then intact.
void writeGeneralParametersFile(const QString& path, const GeneralParameters& params);

} // namespace px
