#include "core/update/ethernet_job.h"

#include "core/base/int_text.h"
#include "core/base/product.h"
#include "core/base/xml.h"
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

// An element with its text; an empty text gives an element without any text node.
void appendElement(QDomDocument& doc, QDomNode& parent, const QString& name, const QString& text)
{
    if (text.isEmpty())
        parent.appendChild(doc.createElement(name));
    else
        xml::appendTextElement(doc, parent, name, text);
}

void appendOperation(QDomDocument& doc, QDomElement& operations, const Operation& op)
{
    QDomNode e = doc.createElement(QStringLiteral("Operation"));
    const auto add = [&](const char* name, const QString& text) {
        appendElement(doc, e, QString::fromLatin1(name), text);
    };
    const auto fixed = [&](const char* name, const char* text) { add(name, QString::fromLatin1(text)); };
    fixed("Ope_Protection_Enabled", "");
    fixed("Ope_GoToBoot_Before", "0");
    fixed("Ope_GoToApp_Before", "0");
    fixed("Ope_IP_Address", "");
    fixed("Ope_Port", "2008");
    fixed("Ope_Port_Sec", "2007");
    fixed("Ope_Erase_Memory", "0");
    add("Ope_FileName", QDir::toNativeSeparators(op.fileName));
    fixed("Ope_Start_Address", op.startAddress);
    fixed("Ope_Memory_Type", "0");
    fixed("Ope_Bank_Type", op.bankType);
    fixed("Ope_Read_Back", op.readBack ? "1" : "0");
    fixed("Ope_Write_CSS", op.writeCss);
    fixed("Ope_Address_CSS", op.addressCss);
    fixed("Ope_Command_CSS", "0x0B");
    fixed("Ope_Write_Internal_Data", "0");
    fixed("Ope_WID_Address", "0x78200");
    fixed("Ope_WID_Command", "0x0B");
    fixed("Ope_WID_Data", "");
    fixed("Ope_GoToApp_After", op.goToAppAfter ? "1" : "0");
    operations.appendChild(e);
}

void appendValue(QDomDocument& doc, QDomNode& parent, const char* name, const char* text)
{
    appendElement(doc, parent, QString::fromLatin1(name), QString::fromLatin1(text));
}

} // namespace

QDomDocument Compile_XML_Parameter(const EthernetUpdateJob& job)
{
    QDomDocument doc = xml::newPlainDocument(QStringLiteral("Ethernet_Update"));
    QDomNode root = doc.documentElement();
    appendValue(doc, root, "Version", "1000");
    xml::appendTextElement(doc, root, QStringLiteral("Title"),
                           QStringLiteral("Orvane ") + product::kSoftwareCode + QStringLiteral(" Ethernet Update"));
    appendElement(doc, root, QStringLiteral("IP_Address_Dev"), job.ipAddress);
    appendValue(doc, root, "Application_Port", "10000");
    appendValue(doc, root, "Boot_Port", "2008");
    appendValue(doc, root, "Boot_Port_Sec", "2007");
    appendValue(doc, root, "Address_Protection", "0x78000");
    QDomNode protections = doc.createElement(QStringLiteral("Protections"));
    appendValue(doc, protections, "Protection", "0xDC");
    root.appendChild(protections);

    // The last operation written for each processor sends the device back to its application.
    const QString bin = job.confFolder + QStringLiteral("/bin/");
    QDomElement main = doc.createElement(QStringLiteral("Operations"));
    if (job.firmware)
        appendOperation(doc, main, {ethernetFirmwareImages(job.masterFolder)[0], "0x8000", "1",
                                    job.readFirmware, "1", "0x78100", !job.configuration});
    if (job.configuration)
        appendOperation(doc, main, {bin + QStringLiteral("bank2.bin"), "0x57800", "2", job.readConfiguration,
                                    "0", "0x50100", true});
    root.appendChild(main);

    QDomNode esp32 = doc.createElement(QStringLiteral("ESP32"));
    appendValue(doc, esp32, "Address_Protection", "0x7800");
    QDomElement espOperations = doc.createElement(QStringLiteral("Operations"));
    if (job.firmware)
        appendOperation(doc, espOperations, {ethernetFirmwareImages(job.masterFolder)[1], "0x110000",
                                             "1", job.readFirmware, "0", "0x78100", !job.configuration});
    if (job.configuration) {
        appendOperation(doc, espOperations, {bin + QStringLiteral("bank_ESP32_1.bin"), "0x09000", "2",
                                             job.readConfiguration, "0", "0x50100", false});
        appendOperation(doc, espOperations, {bin + QStringLiteral("bank_ESP32_2.bin"), "0x310000", "2",
                                             job.readConfiguration, "0", "0x50100", true});
    }
    esp32.appendChild(espOperations);
    root.appendChild(esp32);
    return doc;
}

void writeEthernetJob(const EthernetUpdateJob& job, const QString& path)
{
    xml::save(Compile_XML_Parameter(job), path);
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

std::optional<std::array<QString, 4>> Valid_IP(const QString& text)
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
