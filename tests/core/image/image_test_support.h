#pragma once

#include "core/image/compile_input.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace px::test {

// A configuration held in memory: the files named are present with the given text, the
// others are missing.
inline image::CompileInput configuration(std::initializer_list<std::pair<const char*, QByteArray>> files)
{
    auto file = [&](const char* name) {
        for (const auto& [n, bytes] : files) {
            if (qstrcmp(n, name) == 0)
                return image::InputFile::fromBytes(QLatin1StringView(name), bytes);
        }
        return image::InputFile::fromBytes(QLatin1StringView(name), std::nullopt);
    };
    return image::CompileInput{file("ParGen.xml"), file("RCobDef.xml"), file("TCobDef.xml"), file("RInfoCob.xml"),
                               file("TInfoCob.xml")};
}

// A frame or mapping file whose root holds the given row elements.
inline QByteArray rowsFile(const char* root, const QByteArray& rows)
{
    return QByteArray("<") + root + ">" + rows + "</" + root + "><!--SW_VERSION = 2.505-->";
}

// ParGen.xml as the communication settings write it (baud code 5, 11 bits, time-out 1000,
// 192.168.0.10/255.255.255.0, gateway 192.168.0.1 disabled, port 502). `front` elements
// stand first and so win over the standard ones of the same name; `without` is left out.
inline QByteArray parGen(const QByteArray& front = {}, const char* without = nullptr)
{
    const std::pair<const char*, const char*> elements[] = {
        {"Device_Type", "<Device_Type>0</Device_Type>"},
        {"BaudRateCAN", "<BaudRateCAN>5</BaudRateCAN>"},
        {"CANType", "<CANType>0</CANType>"},
        {"CANTimeOut", "<CANTimeOut>1000</CANTimeOut>"},
        {"ADD_IP", "<ADD_IP IPB1=\"192\" IPB2=\"168\" IPB3=\"0\" IPB4=\"10\"/>"},
        {"SUBNET", "<SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" SMB4=\"0\"/>"},
        {"EN_GATEWAY", "<EN_GATEWAY>0</EN_GATEWAY>"},
        {"GATEWAY", "<GATEWAY GATB1=\"192\" GATB2=\"168\" GATB3=\"0\" GATB4=\"1\"/>"},
        {"Port", "<Port>502</Port>"},
        {"FAST_BOOT", "<FAST_BOOT>0</FAST_BOOT>"},
    };
    QByteArray body = front;
    for (const auto& [name, xml] : elements) {
        if (without == nullptr || qstrcmp(name, without) != 0)
            body += xml;
    }
    return "<GeneralParameter>" + body + "</GeneralParameter><!--SW_VERSION = 2.505-->";
}

inline std::uint32_t u32At(const QByteArray& b, int pos)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b[pos + i]);
    return v;
}

inline std::uint32_t u16At(const QByteArray& b, int pos)
{
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[pos]) | (static_cast<std::uint8_t>(b[pos + 1]) << 8));
}

// Bytes written as hex pairs with blanks between them, as the device documentation shows them.
inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace px::test
