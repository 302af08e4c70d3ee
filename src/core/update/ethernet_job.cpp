#include "core/update/ethernet_job.h"

#include "core/base/atomic_file.h"
#include "core/base/int_text.h"
#include "core/base/product.h"
#include "core/base/xml_writer.h"
#include "core/shell/workspace.h"

#include <QDir>

namespace px {

namespace {

// One operation's values that differ from the others.
struct Operation {
    QString fileName;
    const char* startAddress;
    const char* bankType;
    bool readBack;
    const char* writeCss;
    const char* addressCss;
    bool goToAppAfter;
};

// An element with its text; an empty text gives an element without any text.
void valueElement(xml::PlainXmlWriter& w, QLatin1StringView name, const QString& text)
{
    if (text.isEmpty())
        w.emptyElement(name);
    else
        w.textElement(name, text);
}

void fixedValue(xml::PlainXmlWriter& w, const char* name, const char* text)
{
    valueElement(w, QLatin1StringView(name), QString::fromLatin1(text));
}

void writeOperation(xml::PlainXmlWriter& w, const Operation& op)
{
    w.begin(QLatin1StringView("Operation"));
    fixedValue(w, "Ope_Protection_Enabled", "");
    fixedValue(w, "Ope_GoToBoot_Before", "0");
    fixedValue(w, "Ope_GoToApp_Before", "0");
    fixedValue(w, "Ope_IP_Address", "");
    fixedValue(w, "Ope_Port", "2008");
    fixedValue(w, "Ope_Port_Sec", "2007");
    fixedValue(w, "Ope_Erase_Memory", "0");
    valueElement(w, QLatin1StringView("Ope_FileName"), QDir::toNativeSeparators(op.fileName));
    fixedValue(w, "Ope_Start_Address", op.startAddress);
    fixedValue(w, "Ope_Memory_Type", "0");
    fixedValue(w, "Ope_Bank_Type", op.bankType);
    fixedValue(w, "Ope_Read_Back", op.readBack ? "1" : "0");
    fixedValue(w, "Ope_Write_CSS", op.writeCss);
    fixedValue(w, "Ope_Address_CSS", op.addressCss);
    fixedValue(w, "Ope_Command_CSS", "0x0B");
    fixedValue(w, "Ope_Write_Internal_Data", "0");
    fixedValue(w, "Ope_WID_Address", "0x78200");
    fixedValue(w, "Ope_WID_Command", "0x0B");
    fixedValue(w, "Ope_WID_Data", "");
    fixedValue(w, "Ope_GoToApp_After", op.goToAppAfter ? "1" : "0");
    w.end();
}

} // namespace

QByteArray ethernetJobBytes(const EthernetUpdateJob& job)
{
    xml::PlainXmlWriter w;
    w.begin(QLatin1StringView("Ethernet_Update"));
    fixedValue(w, "Version", "1000");
    w.textElement(QLatin1StringView("Title"), QStringLiteral("Orvane ") + product::kSoftwareCode + QStringLiteral(" Ethernet Update"));
    valueElement(w, QLatin1StringView("IP_Address_Dev"), job.ipAddress);
    fixedValue(w, "Application_Port", "10000");
    fixedValue(w, "Boot_Port", "2008");
    fixedValue(w, "Boot_Port_Sec", "2007");
    fixedValue(w, "Address_Protection", "0x78000");
    w.begin(QLatin1StringView("Protections"));
    fixedValue(w, "Protection", "0xDC");
    w.end();

    // The last operation written for each processor sends the device back to its application.
    const QString bin = job.configurationFolder + QStringLiteral("/bin/");
    w.begin(QLatin1StringView("Operations"));
    if (job.firmware)
        writeOperation(w, {ethernetFirmwareImages(job.masterFolder)[0], "0x8000", "1", job.readFirmware, "1", "0x78100",
                           !job.configuration});
    if (job.configuration)
        writeOperation(w, {bin + QStringLiteral("bank2.bin"), "0x57800", "2", job.readConfiguration, "0", "0x50100", true});
    w.end();

    w.begin(QLatin1StringView("ESP32"));
    fixedValue(w, "Address_Protection", "0x7800");
    w.begin(QLatin1StringView("Operations"));
    if (job.firmware)
        writeOperation(w, {ethernetFirmwareImages(job.masterFolder)[1], "0x110000", "1", job.readFirmware, "0", "0x78100",
                           !job.configuration});
    if (job.configuration) {
        writeOperation(w, {bin + QStringLiteral("bank_ESP32_1.bin"), "0x09000", "2", job.readConfiguration, "0",
                           "0x50100", false});
        writeOperation(w, {bin + QStringLiteral("bank_ESP32_2.bin"), "0x310000", "2", job.readConfiguration, "0",
                           "0x50100", true});
    }
    w.end();
    w.end();
    w.end();
    return w.bytes();
}

void writeEthernetJob(const EthernetUpdateJob& job, const QString& path)
{
    writeFileAtomically(path, ethernetJobBytes(job));
}

QString ethernetJobFile(const Workspace& ws)
{
    return ws.homeFolder + QStringLiteral("/Ethernet_Update.xml");
}

QStringList ethernetFirmwareImages(const QString& masterFolder)
{
    return {masterFolder + QStringLiteral("/sim40318K.sim"), masterFolder + QStringLiteral("/sim40318_ESP32.sim")};
}

QString ethernetUpdaterProgram(const Workspace& ws)
{
    return ws.homeFolder + QStringLiteral("/Ethernet_Update.exe");
}

std::optional<std::array<QString, 4>> splitDeviceAddress(const QString& text)
{
    std::array<QString, 4> parts;
    QString rest = text.trimmed();
    for (int i = 0; i < 3; ++i) {
        const qsizetype dot = rest.indexOf(QLatin1Char('.'));
        if (dot < 0)
            return std::nullopt;
        parts[i] = rest.left(dot).trimmed();
        rest = rest.mid(dot + 1).trimmed();
    }
    parts[3] = rest;
    for (const QString& p : parts) {
        const std::int32_t value = toInt32(p, 1000);
        if (value < 0 || value > 255)
            return std::nullopt;
    }
    return parts;
}

} // namespace px
