#include "core/update/ethernet_job.h"

#include "core/base/error.h"
#include "core/shell/workspace.h"

#include "support/temp_home.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace px {
namespace {

EthernetUpdateJob job(bool fw, bool fr, bool pw, bool pr)
{
    return {QStringLiteral("192.168.2.205"), fw, fr, pw, pr, QStringLiteral("/opt/px/MASTER"),
            QStringLiteral("/opt/px/PROJECTS/Plant 1")};
}

// The job file as a tree of elements with their own text, read as the updater reads it.
struct Element {
    QString name;
    QString text;
    std::vector<Element> children;

    const Element* child(const char* wanted) const
    {
        for (const Element& c : children) {
            if (c.name == QLatin1StringView(wanted))
                return &c;
        }
        return nullptr;
    }
};

Element parseJob(const QByteArray& bytes)
{
    QXmlStreamReader r(bytes);
    std::vector<Element> open{{}};
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartElement:
            open.push_back({r.name().toString(), {}, {}});
            break;
        case QXmlStreamReader::EndElement: {
            Element done = std::move(open.back());
            open.pop_back();
            open.back().children.push_back(std::move(done));
            break;
        }
        case QXmlStreamReader::Characters:
            open.back().text += r.text();
            break;
        default:
            break;
        }
    }
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
    EXPECT_EQ(open.size(), 1u);
    return open.front().children.empty() ? Element{} : open.front().children.front();
}

// Each operation as "file name|read back|go to application after".
QStringList summary(const Element* operations)
{
    QStringList out;
    if (!operations)
        return out;
    for (const Element& op : operations->children) {
        EXPECT_EQ(op.name, QStringLiteral("Operation"));
        out << QFileInfo(op.child("Ope_FileName")->text).fileName() + u'|' + op.child("Ope_Read_Back")->text + u'|'
                   + op.child("Ope_GoToApp_After")->text;
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
        const Element root = parseJob(ethernetJobBytes(c.job));
        const Element* esp32 = root.child("ESP32");
        ASSERT_NE(esp32, nullptr);
        EXPECT_EQ(summary(root.child("Operations")), c.main);
        EXPECT_EQ(summary(esp32->child("Operations")), c.esp32);
        // The ESP32's protection address stays even without any operation.
        EXPECT_EQ(esp32->children.front().name, QStringLiteral("Address_Protection"));
        EXPECT_EQ(esp32->children.front().text, QStringLiteral("0x7800"));
        EXPECT_NE(esp32->child("Operations"), nullptr);
    }
}

TEST(EthernetJob, AddressIsWrittenAsTypedAndFilesBesideTheExecutable)
{
    EthernetUpdateJob j = job(true, true, true, true);
    j.ipAddress = QStringLiteral("0x0A. 0.0.7");
    EXPECT_EQ(parseJob(ethernetJobBytes(j)).child("IP_Address_Dev")->text, QStringLiteral("0x0A. 0.0.7"));
    // Characters with a meaning in XML are escaped as the updater has always been given them.
    j.ipAddress = QStringLiteral("1&2<3>]]>4\r\"'\u00e9");
    EXPECT_TRUE(ethernetJobBytes(j).contains("<IP_Address_Dev>1&amp;2&lt;3>]]&gt;4&#xd;\"'\xc3\xa9</IP_Address_Dev>"));

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

TEST(DeviceAddress, SplitsDottedAddressesForTheBoxes)
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
        const auto parts = splitDeviceAddress(QString::fromLatin1(c.text));
        const QString joined = parts ? QStringList(parts->begin(), parts->end()).join(u'|') : QString();
        EXPECT_EQ(joined, QString::fromLatin1(c.expected)) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace px
