#include "core/image/compiler.h"
#include "core/sim/simulator.h"
#include "platform/sim/virtual_converter_ports_qt.h"
#include "support/event_wait.h"
#include "support/loopback.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QModbusReply>
#include <QModbusTcpClient>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QVariant>

#include <gtest/gtest.h>

#include <functional>

namespace px {
namespace {

using test::waitUntil;
using test::freePort;

// The sample configuration of the device from May 2014: receive frame 0x281 (2 bytes,
// defaults 255,1) feeds register 10; register 1010 fills transmit frame 0x301 and sends it
// on write; registers 1000 and 1001 fill transmit frame 0x18EF0020, sent on change.
const QString kSample = QStringLiteral(PX_EXAMPLES_DIR "/Conveyor_DipSwitch");

// A Modbus TCP master built on Qt's client, waiting for each reply.
class Master {
public:
    explicit Master(std::uint16_t port)
    {
        m_client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
        m_client.setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
        m_client.setTimeout(3000);
        m_client.setNumberOfRetries(0);
        m_client.connectDevice();
        connected = waitUntil([this] { return m_client.state() == QModbusDevice::ConnectedState; });
    }
    // The values read, or the exception code as a negative number.
    std::vector<int> read(int start, int count, QModbusDataUnit::RegisterType type = QModbusDataUnit::HoldingRegisters)
    {
        m_reading = true;
        return finish(m_client.sendReadRequest(QModbusDataUnit(type, start, static_cast<quint16>(count)), 1));
    }
    std::vector<int> write(int start, const QList<quint16>& values)
    {
        m_reading = false;   // a write answers with no values: an empty result is success
        return finish(m_client.sendWriteRequest(QModbusDataUnit(QModbusDataUnit::HoldingRegisters, start, values), 1));
    }
    bool connected = false;

private:
    std::vector<int> finish(QModbusReply* reply)
    {
        if (!reply || !waitUntil([reply] { return reply->isFinished(); }))
            return {-999};
        std::vector<int> out;
        if (reply->error() == QModbusDevice::ProtocolError)
        {
            const QByteArray data = reply->rawResult().data();
            out = {data.isEmpty() ? -1001 : -static_cast<int>(static_cast<std::uint8_t>(data[0]))};
        }
        else if (reply->error() != QModbusDevice::NoError)
            out = {-1000};
        else if (m_reading)
            for (const quint16 v : reply->result().values())
                out.push_back(v);
        reply->deleteLater();
        return out;
    }
    QModbusTcpClient m_client;
    bool m_reading = false;
};

// Frames as "ID#DATA" in hex, for short assertions.
QString text(const QCanBusFrame& f)
{
    return QString::number(f.frameId(), 16).toUpper() + u'#' + QString::fromLatin1(f.payload().toHex().toUpper());
}

struct Recorder final : sim::ConverterEvents {
    void frameReceived(sim::Millis, const sim::CanFrame&, sim::FrameRef) override {}
    void frameSent(sim::Millis, const sim::CanFrame&, sim::FrameRef, sim::SendReason) override {}
    void registerChanged(sim::Millis, std::uint16_t, std::uint16_t) override {}
    void receiveStateChanged(sim::Millis, int, sim::ReceiveState) override {}
    void modbusRequest(sim::Millis, const sim::ModbusAccess& a) override { units.insert(a.unit); }
    std::set<int> units;
};

TEST(VirtualConverterEndToEnd, ModbusMastersAndVirtualCanBusMeetTheConverter)
{
    image::CompileInput input = image::CompileInput::fromFolder(kSample);
    const QByteArray bank2 = image::compileConfiguration(input).bank2;
    // A virtual bus of this test's own, on a free loopback port.
    const QString bus = QStringLiteral("tcp://127.0.0.1:%1/can0").arg(freePort());
    VirtualConverterPortsQt ports;
    sim::SteadyClock clock;
    sim::Simulator simulator(bank2, clock, ports.canLink(QStringLiteral("virtualcan:") + bus, 250000), ports.modbusEndpoint());
    Recorder recorder;
    simulator.addObserver(&recorder);
    simulator.start(QStringLiteral("127.0.0.1"), 0);
    ASSERT_NE(simulator.port(), 0);

    QString error;
    std::unique_ptr<QCanBusDevice> tool(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), bus, &error));
    ASSERT_TRUE(tool) << error.toStdString();
    QStringList seen;
    QObject::connect(tool.get(), &QCanBusDevice::framesReceived, [&] {
        while (tool->framesAvailable())
            seen << text(tool->readFrame());
    });
    ASSERT_TRUE(tool->connectDevice());
    ASSERT_TRUE(waitUntil([&] { return tool->state() == QCanBusDevice::ConnectedState; }));

    Master master(simulator.port());
    ASSERT_TRUE(master.connected);
    EXPECT_EQ(master.read(10, 1), std::vector<int>{0xFF01});   // the default values before the first frame

    // A frame on the bus becomes the register value.
    QCanBusFrame frame(0x281, QByteArray::fromHex("1234"));
    ASSERT_TRUE(tool->writeFrame(frame));
    ASSERT_TRUE(waitUntil([&] { return simulator.converter().registerValue(10) == 0x1234; }));
    EXPECT_EQ(master.read(9, 3), (std::vector<int>{0, 0x1234, 0}));
    EXPECT_EQ(master.read(10, 1, QModbusDataUnit::InputRegisters), std::vector<int>{0x1234});

    // A register write becomes a frame on the bus; an unmapped one is refused with exception 2.
    EXPECT_EQ(master.write(1010, {0x00AB}), std::vector<int>{});
    ASSERT_TRUE(waitUntil([&] { return seen.contains(QStringLiteral("301#AB")); })) << seen.join(u' ').toStdString();
    EXPECT_EQ(master.write(10, {1}), std::vector<int>{-2});
    EXPECT_EQ(master.write(1009, {1, 2}), std::vector<int>{-2});

    // A client no one here wrote, with a unit identifier of its own.
    const char* script = R"PY(
import sys
from pymodbus.client import ModbusTcpClient
c = ModbusTcpClient("127.0.0.1", port=int(sys.argv[1]), timeout=3)
assert c.connect()
print("read", c.read_holding_registers(10, 1, slave=7).registers)
print("input", c.read_input_registers(10, 1, slave=7).registers)
w = c.write_registers(1000, [0x0102, 0x0304], slave=7)
print("write", w.isError())
bad = c.write_register(10, 5, slave=7)
print("refused", bad.isError(), getattr(bad, "exception_code", None))
c.close()
)PY";
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(script), QString::number(simulator.port())});
    ASSERT_TRUE(waitUntil([&] { return python.state() == QProcess::NotRunning; }, 30000));
    const QString out = QString::fromUtf8(python.readAllStandardOutput());
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    EXPECT_EQ(out, QStringLiteral("read [4660]\ninput [4660]\nwrite False\nrefused True 2\n"));
    EXPECT_TRUE(recorder.units.count(7));
    ASSERT_TRUE(waitUntil([&] { return seen.contains(QStringLiteral("18EF0020#0102030400000000")); }))
        << seen.join(u' ').toStdString();

    simulator.stop();
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, simulator.port());
    EXPECT_FALSE(probe.waitForConnected(1000));   // the port is free again
}

TEST(VirtualConverterEndToEnd, CommandLineToolRunsOnStandardInputAndOutput)
{
    const std::uint16_t port = freePort();
    QProcess tool;
    tool.start(QStringLiteral(PX40318_EXE),
               {QStringLiteral("simulate"), kSample, QStringLiteral("--can"), QStringLiteral("stdio"), QStringLiteral("--port"),
                QString::number(port), QStringLiteral("--log"), QStringLiteral("-")});
    QString log;
    QString frames;
    QObject::connect(&tool, &QProcess::readyReadStandardError, [&] { log += QString::fromUtf8(tool.readAllStandardError()); });
    QObject::connect(&tool, &QProcess::readyReadStandardOutput, [&] { frames += QString::fromUtf8(tool.readAllStandardOutput()); });
    ASSERT_TRUE(waitUntil([&] { return log.contains(QStringLiteral("Modbus TCP on 127.0.0.1 port %1").arg(port)); }))
        << log.toStdString();

    tool.write("(1700000000.000000) vcan0 281#5678\n");
    Master master(port);
    ASSERT_TRUE(master.connected);
    ASSERT_TRUE(waitUntil([&] { return master.read(10, 1) == std::vector<int>{0x5678}; }));
    EXPECT_EQ(master.write(1010, {0x42}), std::vector<int>{});
    ASSERT_TRUE(waitUntil([&] { return frames.contains(QStringLiteral(" vcan0 301#42\n")); })) << frames.toStdString();
    // The periodic frame goes out on its timer as well.
    EXPECT_TRUE(waitUntil([&] { return frames.contains(QStringLiteral(" vcan0 18EF0020#0100000000000000\n")); }));

    tool.closeWriteChannel();
    ASSERT_TRUE(waitUntil([&] { return tool.state() == QProcess::NotRunning; }));
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("RX 281 [2] 56 78 receive frame 3"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("register 10 = 22136 (0x5678)")));
    EXPECT_TRUE(log.contains(QStringLiteral("Stopped: end of input")));
}

TEST(VirtualConverterEndToEnd, CommandLineToolKeepsNoEventLogUnlessAskedAndSaysWhenItCannotWriteIt)
{
    struct Run {
        QStringList options;
        int status;
        bool eventLines;
        int logRefusals;
    };
    const Run runs[] = {
        {{}, 0, false, 0},
        {{QStringLiteral("--log"), QStringLiteral("-")}, 0, true, 0},
        {{QStringLiteral("--log"), QStringLiteral("/dev/full")}, 1, false, 1},
    };
    for (const Run& run : runs) {
        const std::uint16_t port = freePort();
        QProcess tool;
        tool.start(QStringLiteral(PX40318_EXE), QStringList{QStringLiteral("simulate"), kSample, QStringLiteral("--can"),
                                                            QStringLiteral("stdio"), QStringLiteral("--port"),
                                                            QString::number(port)} + run.options);
        QString log;
        QObject::connect(&tool, &QProcess::readyReadStandardError, [&] { log += QString::fromUtf8(tool.readAllStandardError()); });
        ASSERT_TRUE(waitUntil([&] { return log.contains(QStringLiteral("port %1").arg(port)); })) << log.toStdString();
        tool.write("281#5678\n281#9ABC\n");
        {
            Master master(port);
            ASSERT_TRUE(master.connected);
            ASSERT_TRUE(waitUntil([&] { return master.read(10, 1) == std::vector<int>{0x9ABC}; }));
            EXPECT_EQ(master.write(10, {1}), std::vector<int>{-2});
        }
        // A connection the server ends, and one the client drops: nothing for the user to see.
        QTcpSocket wrong;
        wrong.connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(wrong.waitForConnected(5000));
        wrong.write(QByteArray::fromHex("000100070002110300000001"));
        ASSERT_TRUE(waitUntil([&] { return wrong.state() == QAbstractSocket::UnconnectedState; }));
        QTcpSocket dropped;
        dropped.connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(dropped.waitForConnected(5000));
        dropped.write(QByteArray::fromHex("0001000000061103"));
        dropped.flush();
        dropped.abort();

        tool.closeWriteChannel();
        ASSERT_TRUE(waitUntil([&] { return tool.state() == QProcess::NotRunning; }));
        const QString context = run.options.join(u' ') + QStringLiteral(": ") + log;
        EXPECT_EQ(tool.exitCode(), run.status) << context.toStdString();
        EXPECT_EQ(log.contains(QStringLiteral("register 10 = 39612 (0x9abc)")), run.eventLines) << context.toStdString();
        EXPECT_EQ(log.contains(QStringLiteral("refused with exception 2: register 10 has no transmit mapping")), run.eventLines)
            << context.toStdString();
        EXPECT_EQ(log.count(QStringLiteral("Cannot write the log file")), run.logRefusals) << context.toStdString();
        EXPECT_TRUE(log.contains(QStringLiteral("Stopped: end of input"))) << context.toStdString();
        EXPECT_FALSE(log.contains(QStringLiteral("QIODevice"))) << context.toStdString();
    }
}

} // namespace
} // namespace px

namespace px {
namespace {

TEST(VirtualConverterEndToEnd, ConfigurationThatDoesNotCompileStopsTheToolWithStatusOne)
{
    QTemporaryDir dir;
    QFile bad(dir.filePath(QStringLiteral("RCobDef.xml")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<COBID><row CobID=\"x\" Dimensin=\"8\"/></COBID>");
    bad.close();
    QProcess tool;
    tool.start(QStringLiteral(PX40318_EXE), {QStringLiteral("simulate"), dir.path(), QStringLiteral("--port"), QStringLiteral("0")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 1);
    const QString error = QString::fromUtf8(tool.readAllStandardError());
    EXPECT_TRUE(error.contains(QStringLiteral("RCobDef.xml"))) << error.toStdString();
    EXPECT_TRUE(tool.readAllStandardOutput().isEmpty());
}

} // namespace
} // namespace px
