#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace px::sim {

// One classic CAN frame as the virtual converter sees it on the bus.
struct CanFrame {
    std::uint32_t id = 0;           // 11 bits, or 29 bits when `extended`
    bool extended = false;
    bool remote = false;            // a remote request: no data, `length` is the length asked for
    std::uint8_t length = 0;        // 0 to 8
    std::array<std::uint8_t, 8> data{};

    bool operator==(const CanFrame&) const = default;
};

// The identifier as candump writes it: three hex digits for 11 bits, eight for 29 bits.
QString identifierText(const CanFrame& frame);
// The data bytes as two-digit hex numbers separated by blanks; "remote" for a remote request.
QString dataText(const CanFrame& frame);

// A frame in the candump log format, "(1700000000.000000) vcan0 181#1122334455667788",
// a remote request as "181#R". `microsSinceEpoch` gives the time stamp.
QString candumpLine(const CanFrame& frame, qint64 microsSinceEpoch, QStringView interfaceName);
// The same line appended to `out` as bytes, without a line end.
void appendCandumpLine(QByteArray& out, const CanFrame& frame, qint64 microsSinceEpoch, std::string_view interfaceName);
// The same line written at `out`, which has room for kMostCandumpLineSize bytes and the
// interface name; returns the end of what was written.
constexpr int kMostCandumpLineSize = 64;
char* writeCandumpLine(char* out, const CanFrame& frame, qint64 microsSinceEpoch, std::string_view interfaceName);

// A line of the candump log format, with or without the time stamp and interface name in
// front ("181#11223344" alone is taken too). Nothing, with the cause in `error`, when the
// line is no classic CAN frame.
std::optional<CanFrame> parseCandumpLine(QStringView line, QString* error);
// The same for a line of UTF-8 bytes.
std::optional<CanFrame> parseCandumpLine(std::string_view line, QString* error);

// A frame typed by hand: the identifier in hex ("181", "0x18FEF100"), its format, and the
// data bytes in hex separated by blanks or commas ("11 22 33"), at most 8. Nothing, with
// the cause in `error`, when a part does not read or the identifier does not fit the format.
std::optional<CanFrame> frameFromTexts(QStringView identifier, bool extended, QStringView data, QString* error);

} // namespace px::sim
