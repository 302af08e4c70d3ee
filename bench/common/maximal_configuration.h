#pragma once

// The largest configuration the editors allow, shared by the benchmarks: 300 receive and
// 300 transmit frames with every column used (29-bit identifiers 0x18FF0000 + i and
// 0x18EF0000 + i, receive time-outs and RTR polls, transmit on change and on a timer),
// default values on the first 256 of each direction and 3584 register mappings per
// direction, about 12 per frame.

#include "core/config/configuration.h"
#include "core/image/compile_input.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace px::bench {

// The five files' bytes, indexed by config::ConfigFile; nothing = the file is missing.
using ConfigurationFiles = std::array<std::optional<QByteArray>, 5>;

inline ConfigurationFiles maximalConfigurationFiles()
{
    using config::ConfigFile;
    ConfigurationFiles files;
    const auto at = [&files](ConfigFile f) -> std::optional<QByteArray>& { return files[static_cast<std::size_t>(f)]; };
    at(ConfigFile::GeneralParameters) =
        "<GeneralParameter><Device_Type>1</Device_Type><BaudRateCAN>6</BaudRateCAN><CANType>1</CANType>"
        "<CANTimeOut>1000</CANTimeOut><ADD_IP IPB1=\"192\" IPB2=\"168\" IPB3=\"0\" IPB4=\"10\"/>"
        "<SUBNET SMB1=\"255\" SMB2=\"255\" SMB3=\"255\" SMB4=\"0\"/><EN_GATEWAY>1</EN_GATEWAY>"
        "<GATEWAY GATB1=\"192\" GATB2=\"168\" GATB3=\"0\" GATB4=\"1\"/><Port>502</Port><FAST_BOOT>0</FAST_BOOT>"
        "</GeneralParameter><!--SW_VERSION = 2.505-->";
    QByteArray rx = "<COBID>";
    QByteArray tx = "<COBID>";
    for (int i = 0; i < 300; ++i) {
        const QByteArray defaults = i < 256 ? QByteArray("1,2,3,4,5,6,7,8") : QByteArray();
        rx += QStringLiteral("<row CobID=\"0x%1\" CobType=\"2.0B (29 bits)\" Dimensin=\"8\" TimeOut_Time=\"%2\" TimeOut=\"Y\" "
                             "RTR=\"Y\" TimeRTR=\"%3\" DefaultValues=\"%4\" Mnemonic=\"Receive frame %5\"/>")
                  .arg(0x18FF0000 + i, 0, 16).arg(100 + i).arg(200 + i).arg(QString::fromLatin1(defaults)).arg(i + 1)
                  .toLatin1();
        tx += QStringLiteral("<row CobID=\"0x%1\" CobType=\"2.0B (29 bits)\" Dimensin=\"8\" RTR=\"N\" OnChange=\"Y\" "
                             "OnTimer=\"Y\" Timer=\"%2\" DefaultValues=\"%3\" Mnemonic=\"Transmit frame %4\"/>")
                  .arg(0x18EF0000 + i, 0, 16).arg(50 + i).arg(QString::fromLatin1(defaults)).arg(i + 1)
                  .toLatin1();
    }
    at(ConfigFile::ReceiveFrames) = rx + "</COBID><!--SW_VERSION = 2.505-->";
    at(ConfigFile::TransmitFrames) = tx + "</COBID><!--SW_VERSION = 2.505-->";
    QByteArray rmap = "<RInfoCob>";
    QByteArray tmap = "<TInfoCob>";
    for (int i = 0; i < 3584; ++i) {
        const int frame = i * 300 / 3584 + 1;
        const int pos = ((i % 4) * 2 + 1) * 16 + (i % 4) * 2 + 2;
        rmap += QStringLiteral("<row Index=\"%1\" NrPdo=\"%2\" PosComp=\"%3\"/>").arg(i).arg(frame).arg(pos).toLatin1();
        tmap += QStringLiteral("<row Index=\"%1\" NrPdo=\"%2\" PosComp=\"%3\" Send_on_Write=\"%4\"/>")
                    .arg(i).arg(frame).arg(pos).arg(i % 2).toLatin1();
    }
    at(ConfigFile::ReceiveMappings) = rmap + "</RInfoCob><!--SW_VERSION = 2.505-->";
    at(ConfigFile::TransmitMappings) = tmap + "</TInfoCob><!--SW_VERSION = 2.505-->";
    return files;
}

// The files as the compiler's input, held in memory.
inline image::CompileInput compileInput(const ConfigurationFiles& files)
{
    const auto file = [&files](config::ConfigFile f) {
        return image::InputFile::fromBytes(config::fileName(f), files[static_cast<std::size_t>(f)]);
    };
    using config::ConfigFile;
    return image::CompileInput{file(ConfigFile::GeneralParameters), file(ConfigFile::ReceiveFrames),
                               file(ConfigFile::TransmitFrames), file(ConfigFile::ReceiveMappings),
                               file(ConfigFile::TransmitMappings)};
}

} // namespace px::bench
