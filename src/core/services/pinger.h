#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>

namespace px {

// One ICMP echo request to a device and the wait for its answer.
class Pinger {
public:
    enum class Reply { Answered, TimedOut };

    virtual ~Pinger() = default;
    // Sends one echo request with `payload` and `sequence` to the dotted IPv4 address
    // `address` and waits at most `timeout` for the matching echo reply, letting pending
    // user-interface events run meanwhile. Answered when the reply arrived in time.
    // Throws px::Error when the address cannot be used or no ICMP socket can be opened.
    virtual Reply echo(const QString& address, const QByteArray& payload, std::uint16_t sequence,
                       std::chrono::milliseconds timeout) = 0;
};

} // namespace px
