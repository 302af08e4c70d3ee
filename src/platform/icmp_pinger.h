#pragma once

#include "core/services/pinger.h"

#include <QByteArray>

namespace px {

// ICMP echo over an unprivileged datagram socket where the system allows one, else over
// a raw socket (which needs the right to open it). Only the echo reply that matches the
// request's type, identifier, sequence and payload counts as an answer: on loopback a raw
// socket also receives the request itself, and every other ICMP message of the machine.
// While it waits, the event loop runs, woken only by the socket or the deadline.
class IcmpPinger final : public Pinger {
public:
    Reply echo(const QString& address, const QByteArray& payload, std::uint16_t sequence,
               std::chrono::milliseconds timeout) override;
};

namespace icmp {

// An echo request as sent: type 8, code 0, checksum, identifier, sequence, payload.
QByteArray echoRequest(std::uint16_t identifier, std::uint16_t sequence, const QByteArray& payload);

// True when `datagram` is the echo reply to such a request: type 0, code 0, the same
// sequence and payload and, when it was received with its IP header (a raw socket), the
// same identifier.
bool isEchoReply(const QByteArray& datagram, bool withIpHeader, std::uint16_t identifier, std::uint16_t sequence,
                 const QByteArray& payload);

} // namespace icmp

} // namespace px
