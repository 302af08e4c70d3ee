#include "core/update/serial_update.h"

#include "core/shell/workspace.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace px {
namespace {

SerialUpdateJob job(bool fw, bool fr, bool pw, bool pr)
{
    return {QStringLiteral("/dev/ttyUSB0"), fw, fr, pw, pr, QStringLiteral("/opt/px/MASTER"),
            QStringLiteral("/opt/px/PROJECTS/Plant1")};
}

TEST(SerialUpdateParameters, TokensFollowTheOptionsInTheirFixedOrder)
{
    const QString paths = QStringLiteral("\"/opt/px/MASTER/sim40318.sim\" \"/opt/px/PROJECTS/Plant1/bin/\"");
    const struct {
        SerialUpdateJob job;
        const char* tokens;
    } cases[] = {
        {job(true, true, true, true), "/dev/ttyUSB0 FW FR PW PR "},
        {job(true, false, false, false), "/dev/ttyUSB0 FW NO NO NO "},
        {job(false, true, false, true), "/dev/ttyUSB0 NO FR NO PR "},
        {job(false, false, true, false), "/dev/ttyUSB0 NO NO PW NO "},
        {job(false, false, false, false), "/dev/ttyUSB0 NO NO NO NO "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(serialUpdateParameters(c.job), QString::fromLatin1(c.tokens) + paths);
}

TEST(SerialUpdateParameters, PathsReachTheUpdaterWholeWhateverTheirCharacters)
{
    const struct {
        const char* master;
        const char* conf;
    } cases[] = {
        {"/home/my user/MASTER", "/home/my user/PROJECTS/Plant A"},
        {"/srv/a\"b/MASTER", "/srv/a\"b/PROJECTS/x\"\""},
        {"/srv/'single'/MASTER", "/srv/'single'/PROJECTS/\\back"},
    };
    for (const auto& c : cases) {
        SerialUpdateJob j = job(true, false, true, false);
        j.masterFolder = QString::fromUtf8(c.master);
        j.configurationFolder = QString::fromUtf8(c.conf);
        const QString text = serialUpdateParameters(j);
        EXPECT_TRUE(text.endsWith(QStringLiteral("/bin/\""))) << text.toStdString();
        const QStringList args = QProcess::splitCommand(text);
        EXPECT_EQ(args, (QStringList{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FW"), QStringLiteral("NO"),
                                     QStringLiteral("PW"), QStringLiteral("NO"),
                                     j.masterFolder + QStringLiteral("/sim40318.sim"),
                                     j.configurationFolder + QStringLiteral("/bin/")}))
            << text.toStdString();
    }
}

TEST(SerialUpdateParameters, UpdaterLiesBesideTheExecutable)
{
    Workspace ws;
    ws.homeFolder = QStringLiteral("/opt/px");
    EXPECT_EQ(serialUpdaterProgram(ws), QStringLiteral("/opt/px/Ser_40318_Update.exe"));
}

TEST(PortOrder, NumbersInNamesCompareAsNumbers)
{
    const struct {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"COM2", "COM10", -1},
        {"COM10", "COM9", 1},
        {"COM3", "COM3", 0},
        {"COM1", "COM", 1},
        {"ttyS9", "ttyS10", -1},
        {"ttyS10", "ttyUSB0", -1},
        {"ttyACM0", "ttyS0", -1},
        {"ttyUSB1", "ttyusb2", -1},
        {"COM007", "COM8", -1},
        {"COM01", "COM1", -1},
        {"COM99999999999999999999", "COM100000000000000000000", -1},
        {"COM1x", "COMx", -1},
    };
    for (const auto& c : cases) {
        const QString a = QString::fromLatin1(c.a);
        const QString b = QString::fromLatin1(c.b);
        EXPECT_EQ(comparePortNames(a, b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(comparePortNames(b, a), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(PortOrder, SortKeepsEachNameWithItsDevice)
{
    QList<SerialPort> ports;
    for (const char* n : {"COM12", "COM3", "COM256", "COM1", "COM30"})
        ports.append({QString::fromLatin1(n), QStringLiteral("\\\\.\\") + QString::fromLatin1(n)});
    sortPorts(ports);
    QStringList names;
    for (const SerialPort& p : ports) {
        names << p.name;
        EXPECT_EQ(p.systemLocation, QStringLiteral("\\\\.\\") + p.name);
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("COM1"), QStringLiteral("COM3"), QStringLiteral("COM12"),
                                  QStringLiteral("COM30"), QStringLiteral("COM256")}));
}

TEST(PortOrder, ComDeviceNamesAreListedFromOneTo256)
{
    QList<SerialPort> ports;
    for (const char* n : {"COM1", "COM0", "COM9", "COM10", "COM256", "COM257", "COM1000", "COM03", "COM", "COM2a",
                          "com4", "CNCA0", "COM12"})
        ports.append({QString::fromLatin1(n), QStringLiteral("\\\\.\\") + QString::fromLatin1(n)});
    keepComPorts(ports);
    QStringList names;
    for (const SerialPort& p : ports)
        names << p.name;
    EXPECT_EQ(names, (QStringList{QStringLiteral("COM1"), QStringLiteral("COM9"), QStringLiteral("COM10"),
                                  QStringLiteral("COM256"), QStringLiteral("COM12")}));
}

} // namespace
} // namespace px
