#include "core/sim/event_text.h"

#include <gtest/gtest.h>

namespace px {
namespace {

using namespace sim;

TEST(EventTextLog, WritesEachEventAsOneLineWithTheLocalTimeOfDay)
{
    const QDateTime start(QDate(2026, 3, 1), QTime(23, 59, 58, 500));
    QStringList lines;
    EventTextLog log(start, [&](const QString& line) { lines << line; });
    CanFrame rx{0x181, false, false, 3, {0x0A, 0xFF, 0x00}};
    CanFrame ext{0x18FEF100, true, false, 0, {}};
    CanFrame remote{0x7FF, false, true, 2, {}};
    log.frameReceived(0, rx, {FrameRef::Direction::Receive, 0});
    log.frameReceived(1, ext, {});
    log.frameSent(1499, remote, {FrameRef::Direction::Transmit, 11}, SendReason::RemoteRequest);
    log.registerChanged(1500, 20, 0x12AB);
    log.receiveStateChanged(86400000, 2, ReceiveState::TimedOut);
    log.modbusRequest(2000, {7, 3, 0, 125, false, std::nullopt, 0});
    log.modbusRequest(2001, {7, 3, 0, 125, false, std::nullopt, 0});   // the unit's reads are known by now
    log.modbusRequest(2002, {7, 16, 1009, 2, true, 1009, 2});
    log.modbusRequest(2003, {7, 43, 0, 0, false, std::nullopt, 1});
    log.modbusRequest(2004, {7, 16, 100, 124, true, std::nullopt, 3});
    log.modbusRequest(2005, {7, 4, 65520, 32, false, std::nullopt, 2});
    EXPECT_EQ(lines, (QStringList{
                         QStringLiteral("23:59:58.500 RX 181 [3] 0A FF 00 receive frame 1"),
                         QStringLiteral("23:59:58.501 RX 18FEF100 [0]  not configured"),
                         QStringLiteral("23:59:59.999 TX 7FF [2] remote transmit frame 12 (remote request)"),
                         QStringLiteral("00:00:00.000 register 20 = 4779 (0x12ab)"),
                         QStringLiteral("23:59:58.500 receive frame 3 timed out"),
                         QStringLiteral("00:00:00.500 Modbus unit 7, function 3: read registers 0 to 124"),
                         QStringLiteral("00:00:00.502 Modbus unit 7, function 16: write registers 1009 to 1010, refused "
                                        "with exception 2: register 1009 has no transmit mapping"),
                         QStringLiteral("00:00:00.503 Modbus unit 7, function 43: refused with exception 1: function 43 "
                                        "is not served"),
                         QStringLiteral("00:00:00.504 Modbus unit 7, function 16: write registers 100 to 223, refused "
                                        "with exception 3: a quantity or length the function does not take"),
                         QStringLiteral("00:00:00.505 Modbus unit 7, function 4: read registers 65520 to 65551, refused "
                                        "with exception 2: registers past 65535"),
                     }));
}

} // namespace
} // namespace px
