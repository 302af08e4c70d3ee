#include "core/comm/general_parameters.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/product.h"
#include "core/base/xml.h"
#include "core/shell/app_settings.h"

#include <QFileInfo>
#include <QXmlStreamWriter>

namespace px {
namespace {

// Position in the baud list -> stored code; the ninth entry exists on the dip-switch device only.
constexpr std::array<CanBaudCode, 9> kCodeOfPosition{9, 2, 3, 4, 5, 6, 7, 8, 10};
constexpr int kJumperBaudCount = 8;

const QString kRoot = QStringLiteral("GeneralParameter");
const QString kDeviceType = QStringLiteral("Device_Type");
const QString kBaudRate = QStringLiteral("BaudRateCAN");
const QString kCanType = QStringLiteral("CANType");
const QString kCanTimeOut = QStringLiteral("CANTimeOut");
const QString kAddIp = QStringLiteral("ADD_IP");
const QString kSubnet = QStringLiteral("SUBNET");
const QString kEnGateway = QStringLiteral("EN_GATEWAY");
const QString kGateway = QStringLiteral("GATEWAY");
const QString kPort = QStringLiteral("Port");
const QString kFastBoot = QStringLiteral("FAST_BOOT");

const std::array<QString, 4> kIpAttributes{QStringLiteral("IPB1"), QStringLiteral("IPB2"), QStringLiteral("IPB3"), QStringLiteral("IPB4")};
const std::array<QString, 4> kSubnetAttributes{QStringLiteral("SMB1"), QStringLiteral("SMB2"), QStringLiteral("SMB3"), QStringLiteral("SMB4")};
const std::array<QString, 4> kGatewayAttributes{QStringLiteral("GATB1"), QStringLiteral("GATB2"), QStringLiteral("GATB3"), QStringLiteral("GATB4")};

int readInt(const QDomNode& root, const QString& name, int fallback)
{
    const auto text = xml::childText(root, name);
    return text ? toInt32(*text, fallback) : fallback;
}

QString readText(const QDomNode& root, const QString& name, const QString& fallback)
{
    return xml::childText(root, name).value_or(fallback);
}

bool readFlag(const QDomNode& root, const QString& name)
{
    return xml::childText(root, name) == QStringLiteral("1");
}

// Each byte on its own: a missing attribute, or a missing element, keeps that byte's default.
void readBytes(const QDomNode& root, const QString& name, const std::array<QString, 4>& attributes,
               std::array<QString, 4>& bytes)
{
    const QDomElement e = xml::child(root, name);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (const auto value = xml::attribute(e, attributes[i]))
            bytes[i] = *value;
    }
}

// A typed text that XML cannot hold (a pasted control character in a box that no check
// reads) is refused by name: written, it would leave a file that no longer parses.
const QString& storable(const QString& name, const QString& text)
{
    if (!storableInXml(text)) {
        throw Error(QStringLiteral("ParGen.xml was not written: %1 holds a character that the file cannot store.")
                        .arg(name));
    }
    return text;
}

void writeBytes(QXmlStreamWriter& out, const QString& name, const std::array<QString, 4>& attributes,
                const std::array<QString, 4>& bytes)
{
    out.writeEmptyElement(name);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out.writeAttribute(attributes[i], storable(attributes[i], bytes[i]));
}

bool inRange(const QString& text, std::int64_t low, std::int64_t high)
{
    const std::int64_t v = toInt64(text, -1);
    return v >= low && v <= high;
}

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QStringList Update_CAN_Baud(DeviceType device)
{
    QStringList labels{QStringLiteral("20K"),  QStringLiteral("50K"),  QStringLiteral("100K"), QStringLiteral("125K"),
                       QStringLiteral("250K"), QStringLiteral("500K"), QStringLiteral("800K"), QStringLiteral("1000K")};
    if (device == kDipSwitchDevice)
        labels << QStringLiteral("75K");
    return labels;
}

CanBaudCode baudCodeForPosition(int position)
{
    if (position < 0 || position >= static_cast<int>(kCodeOfPosition.size()))
        return kDefaultBaudCode;
    return kCodeOfPosition[static_cast<std::size_t>(position)];
}

std::optional<int> baudPositionForCode(CanBaudCode code, DeviceType device)
{
    int position = -1;
    for (std::size_t i = 0; i < kCodeOfPosition.size(); ++i) {
        if (kCodeOfPosition[i] == code)
            position = static_cast<int>(i);
    }
    if (position < 0)
        return std::nullopt;
    const int count = device == kDipSwitchDevice ? static_cast<int>(kCodeOfPosition.size()) : kJumperBaudCount;
    return position < count ? position : -1;
}

GeneralParameters readGeneralParameters(const QDomDocument& doc)
{
    GeneralParameters p;
    const QDomNode root = xml::firstTopLevelNode(doc);
    p.deviceType = readInt(root, kDeviceType, kJumperDevice);
    p.baudCode = readInt(root, kBaudRate, kDefaultBaudCode);
    p.canType = readInt(root, kCanType, 0);
    p.canTimeOut = readText(root, kCanTimeOut, p.canTimeOut);
    readBytes(root, kAddIp, kIpAttributes, p.ip);
    readBytes(root, kSubnet, kSubnetAttributes, p.subnet);
    p.gatewayEnabled = readFlag(root, kEnGateway);
    readBytes(root, kGateway, kGatewayAttributes, p.gateway);
    p.port = readText(root, kPort, p.port);
    p.fastBoot = readFlag(root, kFastBoot);
    return p;
}

GeneralParameters LoadGeneralParameters(const QString& path)
{
    if (!configurationFileExists(path))
        return {};
    return readGeneralParameters(xml::load(path));
}

QByteArray generalParametersBytes(const GeneralParameters& p)
{
    // Written with a stream writer, not a DOM: the order of the address attributes is part
    // of the file format and a DOM does not keep it.
    QByteArray bytes;
    QXmlStreamWriter out(&bytes);
    out.setAutoFormatting(false);
    out.writeStartElement(kRoot);
    out.writeTextElement(kDeviceType, QString::number(p.deviceType));
    out.writeTextElement(kBaudRate, QString::number(p.baudCode));
    out.writeTextElement(kCanType, QString::number(p.canType));
    out.writeTextElement(kCanTimeOut, storable(kCanTimeOut, p.canTimeOut));
    writeBytes(out, kAddIp, kIpAttributes, p.ip);
    writeBytes(out, kSubnet, kSubnetAttributes, p.subnet);
    out.writeTextElement(kEnGateway, flagText(p.gatewayEnabled));
    writeBytes(out, kGateway, kGatewayAttributes, p.gateway);
    out.writeTextElement(kPort, storable(kPort, p.port));
    out.writeTextElement(kFastBoot, flagText(p.fastBoot));
    out.writeEndElement();
    out.writeComment(product::kVersionComment);
    if (out.hasError())
        throw Error(QStringLiteral("The general parameters could not be composed."));
    return bytes;
}

void SaveGeneralParameters(const QString& path, const GeneralParameters& params)
{
    writeFileAtomically(path, generalParametersBytes(params));
}

int Controllo_Dati(const GeneralParameters& p)
{
    // The time-out is a setting of the jumper device only.
    if (p.deviceType == kJumperDevice && !inRange(p.canTimeOut, 0, 100000))
        return 109;
    for (int i = 0; i < 4; ++i) {
        if (!inRange(p.ip[static_cast<std::size_t>(i)], 0, 255))
            return 110 + i;
    }
    for (int i = 0; i < 4; ++i) {
        if (!inRange(p.subnet[static_cast<std::size_t>(i)], 0, 255))
            return 114 + i;
    }
    if (p.gatewayEnabled) {
        for (int i = 0; i < 4; ++i) {
            if (!inRange(p.gateway[static_cast<std::size_t>(i)], 0, 255))
                return 118 + i;
        }
    }
    if (!inRange(p.port, 0, 65535))
        return 122;
    return kChecksPassed;
}

} // namespace px
