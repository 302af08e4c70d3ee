#include "core/update/ethernet_job.h"

#include "core/base/error.h"
#include "core/base/xml.h"
#include "core/shell/workspace.h"

#include "support/temp_home.h"

#include <QDomElement>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace px {
namespace {

EthernetUpdateJob job(bool fw, bool fr, bool pw, bool pr)
{
    return {QStringLiteral("192.168.2.205"), fw, fr, pw, pr, QStringLiteral("/opt/px/MASTER"),
            QStringLiteral("/opt/px/PROJECTS/Plant 1")};
}

QDomElement operationsOf(const QDomElement& parent)
{
    return parent.firstChildElement(QStringLiteral("Operations"));
}

// Each operation as "file name|read back|go to application after".
QStringList summary(const QDomElement& operations)
{
    QStringList out;
    for (QDomElement op = operations.firstChildElement(); !op.isNull(); op = op.nextSiblingElement()) {
        EXPECT_EQ(op.tagName(), QStringLiteral("Operation"));
        out << QFileInfo(op.firstChildElement(QStringLiteral("Ope_FileName")).text()).fileName() + u'|'
                   + op.firstChildElement(QStringLiteral("Ope_Read_Back")).text() + u'|'
                   + op.firstChildElement(QStringLiteral("Ope_GoToApp_After")).text();
    }
    return out;
}

TEST(EthernetJob, WholeFileAsTheUpdaterReadsIt)
{
    test::TempHome home;
    const QString path = home.file(QStringLiteral("Ethernet_Update.xml"));
    home.write(QStringLiteral("Ethernet_Update.xml"), "an older job that is replaced");
    writeEthernetJob(job(true, true, true, false), path);
    EXPECT_EQ(home.read(QStringLiteral("Ethernet_Update.xml")),
              test::fixture(QStringLiteral("update/ethernet_job_without_conf_read_back.xml")));
}

QStringList texts(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* t : list)
        out << QString::fromLatin1(t);
    return out;
}

TEST(EthernetJob, OperationsFollowTheOptions)
{
    const struct {
        EthernetUpdateJob job;
        QStringList main;
        QStringList esp32;
    } cases[] = {
        {job(true, true, true, true),
         texts({"sim40318K.sim|1|0", "bank2.bin|1|1"}),
         texts({"sim40318_ESP32.sim|1|0", "bank_ESP32_1.bin|1|0", "bank_ESP32_2.bin|1|1"})},
        {job(true, false, false, true), texts({"sim40318K.sim|0|1"}), texts({"sim40318_ESP32.sim|0|1"})},
        {job(false, true, true, false),
         texts({"bank2.bin|0|1"}),
         texts({"bank_ESP32_1.bin|0|0", "bank_ESP32_2.bin|0|1"})},
        {job(false, false, true, true), texts({"bank2.bin|1|1"}),
         texts({"bank_ESP32_1.bin|1|0", "bank_ESP32_2.bin|1|1"})},
        {job(false, true, false, true), {}, {}},
    };
    for (const auto& c : cases) {
        const QDomElement root = Compile_XML_Parameter(c.job).documentElement();
        const QDomElement esp32 = root.firstChildElement(QStringLiteral("ESP32"));
        EXPECT_EQ(summary(operationsOf(root)), c.main);
        EXPECT_EQ(summary(operationsOf(esp32)), c.esp32);
        // The ESP32's protection address stays even without any operation.
        EXPECT_EQ(esp32.firstChildElement().tagName(), QStringLiteral("Address_Protection"));
        EXPECT_EQ(esp32.firstChildElement().text(), QStringLiteral("0x7800"));
        EXPECT_FALSE(operationsOf(esp32).isNull());
    }
}

TEST(EthernetJob, AddressIsWrittenAsTypedAndFilesBesideTheExecutable)
{
    EthernetUpdateJob j = job(true, true, true, true);
    j.ipAddress = QStringLiteral("0x0A. 0.0.7");
    const QDomElement root = Compile_XML_Parameter(j).documentElement();
    EXPECT_EQ(root.firstChildElement(QStringLiteral("IP_Address_Dev")).text(), QStringLiteral("0x0A. 0.0.7"));

    Workspace ws;
    ws.homeFolder = QStringLiteral("/opt/px");
    EXPECT_EQ(ethernetJobFile(ws), QStringLiteral("/opt/px/Ethernet_Update.xml"));
    EXPECT_EQ(ethernetUpdaterProgram(ws), QStringLiteral("/opt/px/Ethernet_Update.exe"));
}

TEST(EthernetJob, RefusedWriteIsReportedAndLeavesNoFile)
{
    test::TempHome home;
    home.write(QStringLiteral("not_a_folder"), "x");
    const QString path = home.file(QStringLiteral("not_a_folder/Ethernet_Update.xml"));
    try {
        writeEthernetJob(job(true, true, true, true), path);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("Ethernet_Update.xml"))) << e.text().toStdString();
    }
    EXPECT_EQ(home.read(QStringLiteral("not_a_folder")), QByteArray("x"));
}

TEST(ValidIp, SplitsDottedAddressesForTheBoxes)
{
    // The expected parts joined by "|"; empty when the text is refused.
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"192.168.2.205", "192|168|2|205"},
        {" 10.0.0.7 ", "10|0|0|7"},
        {"10 . 0 .0. 7", "10|0|0|7"},
        {"0x0A.$ff.+1.0", "0x0A|$ff|+1|0"},
        {"0.0.0.0", "0|0|0|0"},
        {"255.255.255.255", "255|255|255|255"},
        {"10.0.0", ""},
        {"10.0.0.7.1", ""},
        {"256.0.0.1", ""},
        {"1.2.3.-1", ""},
        {"1..3.4", ""},
        {"a.b.c.d", ""},
        {"", ""},
        {"1000.1.1.1", ""},
    };
    for (const auto& c : cases) {
        const auto parts = Valid_IP(QString::fromLatin1(c.text));
        const QString joined = parts ? QStringList(parts->begin(), parts->end()).join(u'|') : QString();
        EXPECT_EQ(joined, QString::fromLatin1(c.expected)) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace px
