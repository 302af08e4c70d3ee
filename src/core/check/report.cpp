#include "core/check/report.h"

#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/check/bus_load.h"
#include "core/check/check.h"
#include "core/check/register_map.h"
#include "core/image/compiler.h"
#include "core/image/image_layout.h"
#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"

namespace px::check {

using config::Configuration;
using config::Direction;

namespace {

std::uint32_t storedChecksum(const QByteArray& bytes, qsizetype recordStart)
{
    const qsizetype at = recordStart + image::layout::kRecordChecksumOffset;
    if (bytes.size() < at + 4)
        return 0;
    const auto b = [&](qsizetype i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])); };
    return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

QString esc(const QString& s)
{
    return s.toHtmlEscaped();
}

// A cell of a value that is read as one piece (an identifier, a number, a type): it is
// never broken across lines (the document's style sheet keeps every cell on one line).
QString cell(const QString& s)
{
    return QStringLiteral("<td>%1</td>").arg(esc(s));
}

// A cell of free text (a mnemonic, a message), which wraps within its column.
QString textCell(const QString& s)
{
    return QStringLiteral("<td class=\"text\">%1</td>").arg(esc(s));
}

QString headerRow(const QStringList& labels)
{
    QString out = QStringLiteral("<thead><tr>");
    for (const QString& l : labels)
        out += QStringLiteral("<th>%1</th>").arg(esc(l));
    return out + QStringLiteral("</tr></thead>\n");
}

QString address(const std::array<QString, 4>& bytes)
{
    return QStringList{bytes[0], bytes[1], bytes[2], bytes[3]}.join(u'.');
}

QString communicationHtml(const Configuration& c, const MessageTable& m)
{
    const GeneralParameters& g = c.general;
    // The device from May 2014 has no CAN type, CAN time-out or fast start-up: the file
    // keeps them, but that device never uses them, so its report leaves them out.
    const bool jumper = c.deviceType() != kDipSwitchDevice;
    const auto row = [](const QString& label, const QString& value) {
        return QStringLiteral("<tr><th align=\"left\">%1</th><td>%2</td></tr>\n").arg(esc(label), esc(value));
    };
    QString out = htmlTableStart(QStringLiteral("settings"));
    out += row(m[msg::kBitRate], QStringLiteral("%1 bit/s").arg(bitRateOfBaudCode(g.baudCode)));
    if (jumper) {
        out += row(m[msg::kCanType], g.canType == 0 ? QStringLiteral("CAN 2.0A (11 bits)") : QStringLiteral("CAN 2.0B (29 bits)"));
        out += row(m[msg::kCanTimeOut], g.canTimeOut);
    }
    out += row(m[msg::kIpAddress], address(g.ip));
    out += row(m[msg::kSubnetMask], address(g.subnet));
    out += row(m[msg::kGateway], g.gatewayEnabled ? address(g.gateway) : m[msg::kDisabled]);
    out += row(m[msg::kPort], g.port);
    if (jumper)
        out += row(m[msg::kFastStartUp], m[g.fastBoot ? msg::kYes : msg::kNo]);
    return out + QStringLiteral("</table>\n");
}

QString framesHtml(const Configuration& c, Direction d, const MessageTable& m)
{
    // The jumper device's frames have no RTR, no sending options and no default values:
    // its editors show none, so neither does its report.
    const bool dipSwitch = c.deviceType() == kDipSwitchDevice;
    const std::int32_t generalTimeOut = toInt32(c.general.canTimeOut, 0);
    QString out = htmlTableStart(QStringLiteral("frames"));
    QStringList header{m[msg::kFrame], m[msg::kCobId], m[msg::kType], m[msg::kDimension]};
    if (d == Direction::Receive)
        header << m[msg::kTimeOut];
    if (dipSwitch) {
        if (d == Direction::Receive)
            header << m[msg::kRtr];
        else
            header << m[msg::kSending];
        header << m[msg::kDefaultValues];
    }
    header << m[msg::kMnemonic];
    out += headerRow(header);
    for (int i = 0; i < c.frameCount(d); ++i) {
        const config::FrameRow& f = c.frame(d, i);
        out += QStringLiteral("<tr>") + cell(QString::number(i + 1)) + cell(identifierText(f.cobId))
               + cell(formatLabel(effectiveExtended(c, f))) + cell(f.dimension);
        if (d == Direction::Receive) {
            const auto& r = c.receiveFrames[static_cast<std::size_t>(i)];
            out += cell(QString::number(r.timeOutMilliseconds(generalTimeOut)));
            if (dipSwitch) {
                const std::uint32_t rtr = r.rtrPeriodMilliseconds();
                out += cell(rtr == 0 ? m[msg::kNo] : QString::number(rtr));
            }
        } else if (dipSwitch) {
            const auto& t = c.transmitFrames[static_cast<std::size_t>(i)];
            QStringList sending;
            if (t.sendsOnChange())
                sending << QStringLiteral("On Change");
            if (t.sendsOnTimer())
                sending << QStringLiteral("On Timer %1 ms").arg(t.timerMilliseconds());
            if (t.rtrEnabled())
                sending << QStringLiteral("RTR");
            out += textCell(sending.join(QStringLiteral(", ")));
        }
        if (dipSwitch) {
            QStringList defaults;
            for (const std::uint8_t b : f.defaultBytes())
                defaults << QString::number(b);
            out += textCell(defaults.join(QStringLiteral(", ")));
        }
        out += textCell(f.mnemonic) + QStringLiteral("</tr>\n");
    }
    return out + QStringLiteral("</table>\n");
}

} // namespace

ImageSummary summariseImages(const QString& configurationFolder)
{
    try {
        image::CompileInput input = image::CompileInput::fromFolder(configurationFolder);
        return summariseImages(input);
    } catch (const Error& e) {
        ImageSummary s;
        s.error = e;
        return s;
    }
}

ImageSummary summariseImages(image::CompileInput& input)
{
    ImageSummary s;
    try {
        const image::ConfigurationImage img = image::compileConfiguration(input);
        s.compiled = true;
        s.sizes = {img.bank.size(), img.bank2.size(), img.esp32_1.size(), img.esp32_2.size()};
        s.bank2RecordChecksum = storedChecksum(img.bank2, 2 * image::layout::kFrameTableSize + 2 * image::layout::kMappingTableSize);
        s.esp32RecordChecksum = storedChecksum(img.esp32_1, 0);
    } catch (const Error& e) {
        s.error = e;
    }
    return s;
}

QString findingsHtml(const std::vector<Finding>& findings, const MessageTable& m)
{
    if (findings.empty())
        return QStringLiteral("<p>%1</p>\n").arg(esc(m[msg::kNoFindings]));
    QString out = QStringLiteral("<p>%1</p>\n").arg(esc(QString(m[msg::kFindingsSummary])
                                                           .replace(QStringLiteral("%1"), QString::number(errorCount(findings)))
                                                           .replace(QStringLiteral("%2"), QString::number(warningCount(findings)))));
    out += htmlTableStart(QStringLiteral("findings"));
    out += headerRow({m[msg::kFile], m[msg::kRow], m[msg::kError] + u'/' + m[msg::kWarning], m[msg::kCode], m[msg::kMessage]});
    for (const Finding& f : findings) {
        const QString colour = f.isError() ? QStringLiteral("#f8d0d0") : QStringLiteral("#fff3c4");
        out += QStringLiteral("<tr style=\"background-color:%1\">").arg(colour) + cell(config::fileName(f.file))
               + cell(f.row == 0 ? QString() : QString::number(f.row)) + cell(m[f.isError() ? msg::kError : msg::kWarning])
               + cell(f.code) + textCell(findingText(f, m)) + QStringLiteral("</tr>\n");
    }
    return out + QStringLiteral("</table>\n");
}

QString commissioningReportHtml(const Configuration& c, const std::vector<Finding>& findings, const ImageSummary& images,
                                const QDateTime& date, const MessageTable& m, const config::SignalTable& signalTable)
{
    const RegisterMap map = buildRegisterMap(c, signalTable);
    const BusLoad load = estimateBusLoad(c);
    const QString title = m[msg::kReportTitle] + QStringLiteral(" - ") + c.name;
    QString out = htmlDocumentStart(title);
    out += QStringLiteral("<h1>%1</h1>\n").arg(esc(m[msg::kReportTitle]));
    out += QStringLiteral("<table class=\"identity\" cellpadding=\"3\">\n");
    out += QStringLiteral("<tr><th align=\"left\">%1</th><td>%2</td></tr>\n").arg(esc(m[msg::kConfiguration]), esc(c.name));
    out += QStringLiteral("<tr><th align=\"left\">%1</th><td>%2</td></tr>\n")
               .arg(esc(m[msg::kDate]), esc(date.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    out += QStringLiteral("<tr><th align=\"left\">%1</th><td>%2</td></tr>\n")
               .arg(esc(m[msg::kDevice]), esc(m[c.deviceType() == kDipSwitchDevice ? 96 : 95]));
    out += QStringLiteral("</table>\n");

    out += QStringLiteral("<h2>%1</h2>\n").arg(esc(m[msg::kCommunication])) + communicationHtml(c, m);
    out += QStringLiteral("<h2>%1</h2>\n").arg(esc(m[msg::kReceiveFrames])) + framesHtml(c, Direction::Receive, m);
    out += QStringLiteral("<h2>%1</h2>\n").arg(esc(m[msg::kTransmitFrames])) + framesHtml(c, Direction::Transmit, m);
    out += QStringLiteral("<h2>%1</h2>\n").arg(esc(m[msg::kReceiveMap])) + registersHtml(map.receive, m);
    out += QStringLiteral("<h3>%1</h3>\n").arg(esc(m[msg::kByteLayout])) + byteStripsHtml(map.receive, m);
    out += QStringLiteral("<h2>%1</h2>\n").arg(esc(m[msg::kTransmitMap])) + registersHtml(map.transmit, m);
    out += QStringLiteral("<h3>%1</h3>\n").arg(esc(m[msg::kByteLayout])) + byteStripsHtml(map.transmit, m);
    out += QStringLiteral("<h2>%1</h2>\n").arg(esc(m[msg::kFindings])) + findingsHtml(findings, m);

    out += QStringLiteral("<h2>%1</h2>\n<p>%2</p>\n")
               .arg(esc(m[msg::kBusLoadTitle]),
                    esc(QString(m[msg::kBusLoadLine])
                            .replace(QStringLiteral("%1"), QString::number(load.percent, 'f', 1))
                            .replace(QStringLiteral("%2"), QString::number(load.bitRate))
                            .replace(QStringLiteral("%3"), QString::number(load.bitsPerSecond, 'f', 0))));

    out += QStringLiteral("<h2>%1</h2>\n").arg(esc(m[msg::kImages]));
    if (!images.compiled) {
        out += QStringLiteral("<p>%1%2</p>\n").arg(esc(m[msg::kNotCompiled]), esc(images.error ? images.error->text(m) : QString()));
    } else {
        out += htmlTableStart(QStringLiteral("images"));
        for (int i = 0; i < 4; ++i) {
            QString note;
            if (i == 1)
                note = QStringLiteral("%1 %2").arg(m[msg::kChecksum]).arg(images.bank2RecordChecksum);
            else if (i == 2)
                note = QStringLiteral("%1 %2").arg(m[msg::kChecksum]).arg(images.esp32RecordChecksum);
            out += QStringLiteral("<tr>") + cell(QString::fromLatin1(image::kImageFileNames[i]))
                   + cell(QStringLiteral("%1 %2").arg(images.sizes[static_cast<std::size_t>(i)]).arg(m[msg::kBytes])) + cell(note)
                   + QStringLiteral("</tr>\n");
        }
        out += QStringLiteral("</table>\n");
    }
    return out + QStringLiteral("</body></html>\n");
}

} // namespace px::check
