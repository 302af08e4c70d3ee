#include "platform/sim/modbus_tcp_endpoint.h"
#include "support/event_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace px {
namespace {

using test::waitUntil;

// Registers hold their own number; registers 100 to 109 take writes.
struct Bank final : RegisterBank {
    void readRegisters(std::uint8_t, std::uint8_t, std::uint16_t start, int count, std::uint16_t* out) override
    {
        for (int i = 0; i < count; ++i)
            out[i] = static_cast<std::uint16_t>(start + i);
    }
    bool writeRegisters(std::uint8_t, std::uint8_t, std::uint16_t start, const std::uint16_t* values, int count) override
    {
        if (start < 100 || start + count > 110)
            return false;
        written.insert(written.end(), values, values + count);
        return true;
    }
    void refuseRequest(std::uint8_t unit, std::uint8_t function, std::uint16_t start, std::uint16_t count,
                       std::uint8_t code) override
    {
        refused.push_back({unit, function, start, count, code});
    }
    std::vector<std::uint16_t> written;
    std::vector<std::vector<int>> refused;   // unit, function, start, count, exception code
};

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// A request frame around a PDU given in hex: transaction 0x0102, unit 0x11.
QByteArray frame(const QByteArray& pdu)
{
    QByteArray adu = hex("01020000");
    adu.append(static_cast<char>((pdu.size() + 1) >> 8)).append(static_cast<char>((pdu.size() + 1) & 0xFF));
    return adu + '\x11' + pdu;
}

class Client {
public:
    explicit Client(std::uint16_t port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        connected = m_socket.waitForConnected(5000);
    }
    // The reply frames to `bytes`, `count` of them.
    std::vector<QByteArray> ask(const QByteArray& bytes, int count = 1)
    {
        m_socket.write(bytes);
        std::vector<QByteArray> replies;
        QByteArray buffer;
        waitUntil([&] {
            buffer += m_socket.readAll();
            while (buffer.size() >= 6 && buffer.size() >= 6 + (static_cast<std::uint8_t>(buffer[4]) << 8 | static_cast<std::uint8_t>(buffer[5]))) {
                const int size = 6 + (static_cast<std::uint8_t>(buffer[4]) << 8 | static_cast<std::uint8_t>(buffer[5]));
                replies.push_back(buffer.left(size));
                buffer.remove(0, size);
            }
            return static_cast<int>(replies.size()) >= count || m_socket.state() != QAbstractSocket::ConnectedState;
        });
        return replies;
    }
    QTcpSocket& socket() { return m_socket; }
    bool connected = false;

private:
    QTcpSocket m_socket;
};

TEST(ModbusTcpEndpoint, AnswersEachRequestOrTheExceptionOfTheRulesAndKeepsTheConnection)
{
    Bank bank;
    ModbusTcpEndpoint endpoint;
    endpoint.listen(QStringLiteral("127.0.0.1"), 0, bank);
    Client client(endpoint.port());
    ASSERT_TRUE(client.connected);

    QByteArray write124 = hex("10006400" "7C" "F8") + QByteArray(248, '\0');
    const struct {
        const char* what;
        QByteArray request;
        QByteArray reply;              // the reply's PDU
        std::vector<int> refused;      // what the bank was told, if anything
    } cases[] = {
        {"read 3 holding", hex("0300070003"), hex("0306000700080009"), {}},
        {"read 2 input at the top", hex("04FFFE0002"), hex("0404FFFEFFFF"), {}},
        {"read 125", hex("030000007D"), [] { QByteArray r = hex("03FA"); for (int i = 0; i < 125; ++i) r.append('\0').append(static_cast<char>(i)); return r; }(), {}},
        {"read 126", hex("030000007E"), hex("8303"), {0x11, 3, 0, 126, 3}},
        {"read 0", hex("0300000000"), hex("8303"), {0x11, 3, 0, 0, 3}},
        {"read past 65535", hex("04FFF00020"), hex("8402"), {0x11, 4, 0xFFF0, 0x20, 2}},
        {"read, short", hex("030000"), hex("8303"), {0x11, 3, 0, 0, 3}},
        {"write one", hex("0600651234"), hex("0600651234"), {}},
        {"write one, unmapped", hex("0600011234"), hex("8602"), {}},
        {"write two", hex("1000640002" "04" "AAAA" "BBBB"), hex("1000640002"), {}},
        {"write 124", write124, hex("9003"), {0x11, 16, 100, 124, 3}},
        {"write, byte count wrong", hex("1000640002" "03" "AAAA" "BB"), hex("9003"), {0x11, 16, 100, 2, 3}},
        {"write past 65535", hex("10FFFF0002" "04" "0001" "0002"), hex("9002"), {0x11, 16, 0xFFFF, 2, 2}},
        {"function 43", hex("2B0E0100"), hex("AB01"), {0x11, 43, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        bank.refused.clear();
        const std::vector<QByteArray> replies = client.ask(frame(c.request));
        ASSERT_EQ(replies.size(), 1u) << c.what;
        EXPECT_EQ(replies[0].toHex(), frame(c.reply).toHex()) << c.what;
        EXPECT_EQ(bank.refused, c.refused.empty() ? std::vector<std::vector<int>>{} : std::vector<std::vector<int>>{c.refused}) << c.what;
    }
    EXPECT_EQ(bank.written, (std::vector<std::uint16_t>{0x1234, 0xAAAA, 0xBBBB}));

    // Requests in one piece, and a request in pieces, are each answered in order.
    const QByteArray three = frame(hex("0300010001")) + frame(hex("0300020001")) + frame(hex("0300030001"));
    const std::vector<QByteArray> replies = client.ask(three, 3);
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[2].toHex(), frame(hex("03020003")).toHex());
    client.socket().write(frame(hex("0300090001")).left(5));
    client.socket().flush();
    QCoreApplication::processEvents();
    EXPECT_EQ(client.ask(frame(hex("0300090001")).mid(5)).at(0).toHex(), frame(hex("03020009")).toHex());

    // A frame no Modbus TCP client sends ends the connection.
    client.ask(hex("0001" "0005" "0006" "11" "0300000001"));
    EXPECT_TRUE(waitUntil([&] { return client.socket().state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_TRUE(waitUntil([&] { return endpoint.connectionCount() == 0; }));
}

// Kilobytes of memory the process holds.
long residentKilobytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLong() * 4;
}

TEST(ModbusTcpEndpoint, ClientThatNeverReadsItsRepliesNeitherGrowsTheServerNorHoldsUpOthers)
{
    Bank bank;
    ModbusTcpEndpoint endpoint;
    endpoint.listen(QStringLiteral("127.0.0.1"), 0, bank);

    // This client takes in no more than a byte: the system's buffers fill, then the server's.
    QTcpSocket silent;
    silent.setReadBufferSize(1);
    silent.connectToHost(QHostAddress::LocalHost, endpoint.port());
    ASSERT_TRUE(silent.waitForConnected(5000));
    const QByteArray read125 = frame(hex("030000007D"));   // 12 bytes asking for 257
    const long before = residentKilobytes();
    // A million requests, more than the system's buffers hold, ask for 257 MB of replies.
    QByteArray requests;
    requests.reserve(12 * 1000000);
    for (int i = 0; i < 1000000; ++i)
        requests += read125;
    silent.write(requests);
    requests.clear();

    // Until the silent client's requests stop being taken, another client is answered.
    Client other(endpoint.port());
    ASSERT_TRUE(other.connected);
    qint64 lastLeft = -1;
    bool stalled = false;
    for (int round = 0; round < 200 && !stalled; ++round) {
        const std::vector<QByteArray> replies = other.ask(frame(hex("0300070001")));
        ASSERT_EQ(replies.size(), 1u) << round;
        EXPECT_EQ(replies[0].toHex(), frame(hex("03020007")).toHex());
        EXPECT_LE(endpoint.unsentBytes(), ModbusTcpEndpoint::kMostUnsentBytes + 300);
        stalled = silent.bytesToWrite() == lastLeft;   // the server no longer reads from it
        lastLeft = silent.bytesToWrite();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_TRUE(stalled);
    EXPECT_GT(silent.bytesToWrite(), 0);   // the rest of the requests wait on the client's side
    EXPECT_LT(residentKilobytes() - before, 128 * 1024);
    EXPECT_EQ(endpoint.connectionCount(), 2);
}

} // namespace
} // namespace px
