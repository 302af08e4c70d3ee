#include "platform/icmp_pinger.h"

#include "core/base/error.h"

#include <gtest/gtest.h>

namespace px {
namespace {

const QByteArray kPayload = QByteArrayLiteral("abcdefghijklmnopqrstuvwa");

// A minimal IPv4 header of 20 bytes in front of an ICMP message, as a raw socket delivers it.
QByteArray withIpHeader(const QByteArray& icmpMessage)
{
    QByteArray header(20, '\0');
    header[0] = char(0x45);
    header[9] = 1; // ICMP
    return header + icmpMessage;
}

QByteArray reply(std::uint16_t identifier, std::uint16_t sequence, const QByteArray& payload)
{
    QByteArray r = icmp::echoRequest(identifier, sequence, payload);
    r[0] = 0;
    return r;
}

TEST(IcmpPinger, LoopbackAnswers)
{
    IcmpPinger pinger;
    for (const std::uint16_t sequence : {0, 7}) {
        EXPECT_EQ(pinger.echo(QStringLiteral("127.0.0.1"), kPayload, sequence, std::chrono::milliseconds(400)),
                  Pinger::Reply::Answered)
            << sequence;
    }
}

TEST(IcmpPinger, UnusableAddressesAreErrorsAndNeverLookedUp)
{
    IcmpPinger pinger;
    for (const char* address : {"", "127.0.0", "127.0.0.1.1", "127.0.0.256", "127..0.1", " 127.0.0.1", "127.0.0.1 ",
                                "0x7f.0.0.1", "localhost", "127.0.0.-1", "1277.0.0.1"}) {
        EXPECT_THROW(pinger.echo(QString::fromLatin1(address), kPayload, 0, std::chrono::milliseconds(400)), Error)
            << '"' << address << '"';
    }
}

TEST(IcmpEcho, RequestCarriesItsFieldsAndAValidChecksum)
{
    const QByteArray request = icmp::echoRequest(0x1234, 0x0102, kPayload);
    ASSERT_EQ(request.size(), 8 + kPayload.size());
    EXPECT_EQ(request.left(2), QByteArray("\x08\x00", 2));
    EXPECT_EQ(request.mid(4, 4), QByteArray("\x12\x34\x01\x02", 4));
    EXPECT_EQ(request.mid(8), kPayload);
    // The one's complement sum over a message with a correct checksum is 0xFFFF.
    std::uint32_t sum = 0;
    for (qsizetype i = 0; i + 1 < request.size(); i += 2)
        sum += std::uint8_t(request[i]) << 8 | std::uint8_t(request[i + 1]);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    EXPECT_EQ(sum, 0xFFFFu);
}

TEST(IcmpEcho, OnlyTheMatchingReplyCounts)
{
    QByteArray wrongCode = reply(0x1234, 0, kPayload);
    wrongCode[1] = 1;
    QByteArray badIpVersion = withIpHeader(reply(0x1234, 0, kPayload));
    badIpVersion[0] = char(0x65);
    QByteArray headerTooLong = withIpHeader(reply(0x1234, 0, kPayload));
    headerTooLong[0] = char(0x4F);
    const struct {
        const char* what;
        QByteArray datagram;
        bool raw;
        bool expected;
    } cases[] = {
        {"reply through a raw socket", withIpHeader(reply(0x1234, 0, kPayload)), true, true},
        {"reply through a datagram socket", reply(0x1234, 0, kPayload), false, true},
        {"identifier set by the system on a datagram socket", reply(0x4321, 0, kPayload), false, true},
        {"own request seen on loopback", withIpHeader(icmp::echoRequest(0x1234, 0, kPayload)), true, false},
        {"request on a datagram socket", icmp::echoRequest(0x1234, 0, kPayload), false, false},
        {"another program's reply", withIpHeader(reply(0x4321, 0, kPayload)), true, false},
        {"another sequence", withIpHeader(reply(0x1234, 1, kPayload)), true, false},
        {"another payload", withIpHeader(reply(0x1234, 0, QByteArrayLiteral("abcdefghijklmnopqrstuvwb"))), true, false},
        {"shorter payload", withIpHeader(reply(0x1234, 0, kPayload.left(23))), true, false},
        {"nonzero code", wrongCode, false, false},
        {"not IPv4", badIpVersion, true, false},
        {"header longer than the datagram", headerTooLong.left(40), true, false},
        {"truncated", withIpHeader(reply(0x1234, 0, kPayload)).left(27), true, false},
        {"empty", QByteArray(), true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(icmp::isEchoReply(c.datagram, c.raw, 0x1234, 0, kPayload), c.expected) << c.what;
}

} // namespace
} // namespace px
