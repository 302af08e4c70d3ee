// The monitor end to end on this computer, with no device: Qt's virtualcan as the bus
// shared between processes, `px40318 simulate` as the converter on 127.0.0.1, this test as
// the other nodes of the bus, and `px40318 monitor` watching both.

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include "support/event_wait.h"
#include "support/loopback.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace px {
namespace {

using test::waitUntil;
using test::freePort;

// Receive frames 0x18FF0010 (time-out 1000 ms, registers 0 and 1), 0x18FF0011 (registers 2
// and 3) and 0x281 (register 10 from bytes 1 and 2); the converter sends 0x18EF0020 every
// 100 ms (registers 1000, 1001) and 0x301 on a write of register 1010.
const QString kSample = QStringLiteral(PX_EXAMPLES_DIR "/Conveyor_DipSwitch");

QString sharedBus()
{
    static const QString bus = QStringLiteral("virtualcan:tcp://127.0.0.1:%1/can0").arg(freePort());
    return bus;
}

// The plant: the other nodes of the bus, sending the converter's receive frames. The
// virtual bus lives in this process, so it outlasts the tools that join it.
class Plant {
public:
    Plant()
    {
        QString error;
        m_device.reset(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), bus.mid(11), &error));
        EXPECT_TRUE(m_device) << error.toStdString();
        EXPECT_TRUE(m_device->connectDevice());
        EXPECT_TRUE(waitUntil([this] { return m_device->state() == QCanBusDevice::ConnectedState; }));
        // Every 50 ms: 0x281 with data that change every 500 ms, 0x18FF0011, and the unknown
        // identifier 0x555 every 200 ms; 0x18FF0010 every 1300 ms, slower than its 1000 ms time-out.
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const int step = m_step++;
            const char value = static_cast<char>(0x10 + step / 10);
            send(0x281, false, QByteArray(1, value) + QByteArray(1, 0x34));
            send(0x18FF0011, true, QByteArray(8, value));
            if (step % 4 == 0)
                send(0x555, false, QByteArray("\x01\x02", 2));
            if (step % 26 == 0)
                send(0x18FF0010, true, QByteArray(8, value));
        });
        m_timer.start(50);
    }

    void send(std::uint32_t id, bool extended, const QByteArray& data)
    {
        QCanBusFrame f(id, data);
        f.setExtendedFrameFormat(extended);
        m_device->writeFrame(f);
    }

    // Qt's virtual bus serves one port per process: every test of this program shares it.
    const QString bus = sharedBus();

private:
    std::unique_ptr<QCanBusDevice> m_device;
    QTimer m_timer;
    int m_step = 0;
};

// `px40318 simulate` of a configuration folder as the device, on the plant's bus.
class Device {
public:
    Device(const QString& folder, const QString& bus) : port(freePort())
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { m_out += QString::fromUtf8(m_process.readAllStandardOutput()); });
        m_process.start(QStringLiteral(PX40318_EXE), {QStringLiteral("simulate"), folder, QStringLiteral("--can"), bus,
                                                      QStringLiteral("--port"), QString::number(port)});
        listening = waitUntil([this] { return m_out.contains(QStringLiteral("port %1").arg(port)); });
    }
    ~Device()
    {
        m_process.terminate();
        waitUntil([this] { return m_process.state() == QProcess::NotRunning; }, 10000);
    }
    std::uint16_t port;
    bool listening = false;

private:
    QProcess m_process;
    QString m_out;
};

struct MonitorRun {
    int status = -1;
    QJsonObject summary;
    QString err;
    QDateTime began;
    QDateTime ended;
};

MonitorRun runMonitor(const QStringList& args)
{
    MonitorRun run;
    QProcess p;
    QString out;
    QObject::connect(&p, &QProcess::readyReadStandardOutput, [&] { out += QString::fromUtf8(p.readAllStandardOutput()); });
    run.began = QDateTime::currentDateTimeUtc();
    p.start(QStringLiteral(PX40318_EXE), QStringList{QStringLiteral("monitor"), kSample} + args);
    EXPECT_TRUE(waitUntil([&] { return p.state() == QProcess::NotRunning; }, 60000));
    run.ended = QDateTime::currentDateTimeUtc();
    out += QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.summary = QJsonDocument::fromJson(out.trimmed().toUtf8()).object();
    EXPECT_FALSE(run.summary.isEmpty()) << out.toStdString() << run.err.toStdString();
    return run;
}

QJsonObject frameNamed(const QJsonObject& summary, const QString& identifier)
{
    for (const QJsonValue v : summary[QStringLiteral("frames")].toArray()) {
        if (v[QStringLiteral("identifier")].toString() == identifier)
            return v.toObject();
    }
    return {};
}

TEST(MonitorEndToEnd, DeviceRunningTheSameConfigurationAgreesAndTheBusShowsItsFaults)
{
    Plant plant;
    Device device(kSample, plant.bus);
    ASSERT_TRUE(device.listening);
    const MonitorRun run = runMonitor({QStringLiteral("--can"), plant.bus, QStringLiteral("--modbus"),
                                       QStringLiteral("127.0.0.1:%1").arg(device.port), QStringLiteral("--poll"),
                                       QStringLiteral("100"), QStringLiteral("--duration"), QStringLiteral("4"),
                                       QStringLiteral("--json")});
    const QJsonObject& s = run.summary;
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(s[QStringLiteral("passed")].toBool());
    EXPECT_EQ(s[QStringLiteral("mismatches")].toInt(), 0);
    EXPECT_EQ(s[QStringLiteral("registersPolled")].toInt(), 8);
    EXPECT_GT(s[QStringLiteral("pollsAnswered")].toInt(), 10);
    EXPECT_EQ(s[QStringLiteral("pollsFailed")].toInt(), 0) << s[QStringLiteral("lastPollFailure")].toString().toStdString();
    EXPECT_EQ(s[QStringLiteral("expectedFramesSeen")].toInt(), 4) << QJsonDocument(s).toJson().toStdString();

    // The unknown identifier is counted at its rate.
    ASSERT_EQ(s[QStringLiteral("unknownIdentifiers")].toInt(), 1);
    const QJsonObject unknown = s[QStringLiteral("unknown")].toArray()[0].toObject();
    EXPECT_EQ(unknown[QStringLiteral("identifier")].toString(), QStringLiteral("555"));
    EXPECT_GT(unknown[QStringLiteral("count")].toInt(), 5);
    EXPECT_GT(unknown[QStringLiteral("perSecond")].toDouble(), 2.0);
    EXPECT_LT(unknown[QStringLiteral("perSecond")].toDouble(), 7.0);

    // The frame sent every 1300 ms against its 1000 ms time-out; the others in time.
    const QJsonObject slow = frameNamed(s, QStringLiteral("18FF0010"));
    EXPECT_GE(slow[QStringLiteral("timeOuts")].toInt(), 1);
    EXPECT_GT(slow[QStringLiteral("longestPeriodMs")].toDouble(), 1000);
    // The converter's own periodic frame and its remote requests are on the bus too.
    EXPECT_NEAR(frameNamed(s, QStringLiteral("18EF0020"))[QStringLiteral("meanPeriodMs")].toDouble(), 100, 30);
    EXPECT_GT(frameNamed(s, QStringLiteral("18FF0011"))[QStringLiteral("remoteSeen")].toInt(), 0);
    EXPECT_GT(s[QStringLiteral("busLoadPercent")].toDouble(), 0.0);
}

TEST(MonitorEndToEnd, DeviceWithOneMappingChangedShowsExactlyThatRegister)
{
    // The device runs a copy whose register 10 takes its bytes the other way round.
    QTemporaryDir copy;
    for (const QString& name : QDir(kSample).entryList({QStringLiteral("*.xml")}, QDir::Files))
        ASSERT_TRUE(QFile::copy(kSample + u'/' + name, copy.filePath(name)));
    QFile mappings(copy.filePath(QStringLiteral("RInfoCob.xml")));
    ASSERT_TRUE(mappings.open(QIODevice::ReadOnly));
    QByteArray bytes = mappings.readAll();
    mappings.close();
    const QByteArray before = "<row Index=\"10\" NrPdo=\"3\" PosComp=\"18\"/>";
    ASSERT_TRUE(bytes.contains(before));
    bytes.replace(before, "<row Index=\"10\" NrPdo=\"3\" PosComp=\"33\"/>");
    ASSERT_TRUE(mappings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    mappings.write(bytes);
    mappings.close();

    Plant plant;
    Device device(copy.path(), plant.bus);
    ASSERT_TRUE(device.listening);
    const MonitorRun run = runMonitor({QStringLiteral("--can"), plant.bus, QStringLiteral("--modbus"),
                                       QStringLiteral("127.0.0.1:%1").arg(device.port), QStringLiteral("--poll"),
                                       QStringLiteral("100"), QStringLiteral("--duration"), QStringLiteral("3"),
                                       QStringLiteral("--json")});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_FALSE(run.summary[QStringLiteral("passed")].toBool());
    EXPECT_EQ(run.summary[QStringLiteral("mismatchesOpen")].toInt(), 1);
    const QJsonArray registers = run.summary[QStringLiteral("mismatchingRegisters")].toArray();
    ASSERT_EQ(registers.size(), 1);
    const QJsonObject r = registers[0].toObject();
    EXPECT_EQ(r[QStringLiteral("register")].toInt(), 10);
    EXPECT_TRUE(r[QStringLiteral("open")].toBool());
    EXPECT_NE(r[QStringLiteral("device")].toInt(), r[QStringLiteral("expected")].toInt());
    const QDateTime began = QDateTime::fromString(r[QStringLiteral("began")].toString(), Qt::ISODateWithMs);
    ASSERT_TRUE(began.isValid());
    EXPECT_GE(began, run.began);
    EXPECT_LE(began, run.ended);
}

TEST(MonitorEndToEnd, WrongArgumentsAndAMissingBusAreRefused)
{
    const struct {
        QStringList args;
        int status;
        const char* text;
    } cases[] = {
        {{}, 2, "--can"},
        {{QStringLiteral("--can"), QStringLiteral("virtualcan"), QStringLiteral("--modbus"), QStringLiteral("host:99999")}, 2, "port"},
        {{QStringLiteral("--can"), QStringLiteral("virtualcan"), QStringLiteral("--poll"), QStringLiteral("5")}, 2, "--poll"},
        {{QStringLiteral("--can"), QStringLiteral("nosuchplugin:can0")}, 1, "nosuchplugin"},
    };
    for (const auto& c : cases) {
        QProcess p;
        p.start(QStringLiteral(PX40318_EXE), QStringList{QStringLiteral("monitor"), kSample} + c.args);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), c.status) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QLatin1StringView(c.text))) << c.text;
    }
}

} // namespace
} // namespace px
