#include "core/config/general_parameters.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/product.h"
#include "core/base/xml.h"
#include "core/base/xml_content.h"
#include "core/lang/message_ids.h"

#include <QXmlStreamWriter>

namespace px {
namespace {

// The rates common to both devices come first in the table, the dip-switch device's own last.
constexpr int kJumperBaudCount = [] {
    int n = 0;
    for (const CanBaudRate& r : kCanBaudRates)
        n += r.dipSwitchOnly ? 0 : 1;
    return n;
}();
static_assert([] {
    for (std::size_t i = 0; i < kCanBaudRates.size(); ++i) {
        if (kCanBaudRates[i].dipSwitchOnly != (static_cast<int>(i) >= kJumperBaudCount))
            return false;
    }
    return true;
}(), "the dip-switch device's own rates stand after the common ones");
static_assert([] {
    for (const CanBaudRate& r : kCanBaudRates) {
        if (r.code == kDefaultBaudCode)
            return true;
    }
    return false;
}(), "the default code is in the table");

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

// The text of the root's child element `name`, or nothing when there is no such element
// (also when the root is no element at all).
std::optional<QString> childText(const xml::XmlItem* root, const QString& name)
{
    if (!root)
        return std::nullopt;
    const xml::XmlItem* e = xml::childElement(*root, name);
    return e ? std::optional<QString>(e->text) : std::nullopt;
}

int readInt(const xml::XmlItem* root, const QString& name, int fallback)
{
    const auto text = childText(root, name);
    return text ? toInt32(*text, fallback) : fallback;
}

QString readText(const xml::XmlItem* root, const QString& name, const QString& fallback)
{
    return childText(root, name).value_or(fallback);
}

bool readFlag(const xml::XmlItem* root, const QString& name)
{
    return childText(root, name) == QStringLiteral("1");
}

// Each byte on its own: a missing attribute, or a missing element, keeps that byte's default.
void readBytes(const xml::XmlItem* root, const QString& name, const std::array<QString, 4>& attributes,
               std::array<QString, 4>& bytes)
{
    const xml::XmlItem* e = root ? xml::childElement(*root, name) : nullptr;
    if (!e)
        return;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (const auto value = xml::attributeOf(*e, attributes[i]))
            bytes[i] = value->toString();
    }
}

const QString& storable(const QString& name, const QString& text)
{
    if (!storableInXml(text)) {
        throw Error(msg::kGeneralParameterUnstorable, {name});
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

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QStringList baudRateLabels(DeviceType device)
{
    QStringList labels;
    for (const CanBaudRate& r : kCanBaudRates) {
        if (!r.dipSwitchOnly || device == kDipSwitchDevice)
            labels << QString(r.label);
    }
    return labels;
}

CanBaudCode baudCodeForPosition(int position)
{
    if (position < 0 || position >= static_cast<int>(kCanBaudRates.size()))
        return kDefaultBaudCode;
    return kCanBaudRates[static_cast<std::size_t>(position)].code;
}

std::optional<int> baudPositionForCode(CanBaudCode code, DeviceType device)
{
    for (std::size_t i = 0; i < kCanBaudRates.size(); ++i) {
        if (kCanBaudRates[i].code != code)
            continue;
        const int count = device == kDipSwitchDevice ? static_cast<int>(kCanBaudRates.size()) : kJumperBaudCount;
        const int position = static_cast<int>(i);
        return position < count ? position : -1;
    }
    return std::nullopt;
}

std::uint32_t bitRateOfBaudCode(CanBaudCode code)
{
    for (const CanBaudRate& r : kCanBaudRates) {
        if (r.code == code)
            return r.bitsPerSecond;
    }
    return bitRateOfBaudCode(kDefaultBaudCode);
}

std::int32_t GeneralParameters::canTimeOutMilliseconds() const
{
    return toInt32(canTimeOut, 0);
}

GeneralParameters readGeneralParameters(const QByteArray& bytes, const QString& fileLabel)
{
    return readGeneralParameters(xml::readXmlContent(bytes, fileLabel));
}

GeneralParameters readGeneralParameters(const xml::XmlContent& content)
{
    const xml::XmlItem* root = content.top.empty() ? nullptr : &content.top.front();
    GeneralParameters p;
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

GeneralParameters readGeneralParametersFile(const QString& path)
{
    if (!configurationFileExists(path))
        return {};
    return readGeneralParameters(readConfigurationFile(path), displayPath(path));
}

QByteArray generalParametersBytes(const GeneralParameters& p)
{
    // Written with a stream writer: the order of the address attributes is part of the
    // file format.
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
        throw Error(msg::kGeneralParametersNotComposed);
    return bytes;
}

void writeGeneralParametersFile(const QString& path, const GeneralParameters& params)
{
    writeFileAtomically(path, generalParametersBytes(params));
}

} // namespace px
