#include "core/image/image_model.h"

#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/config/general_parameters.h"
#include "core/image/byte_writer.h"

#include <algorithm>

namespace px::image {

using namespace layout;

void ResetImageModel(ImageModel& model)
{
    model = ImageModel{};
}

namespace {

void readAddress(const XmlItem& root, const QString& element, const QString& prefix,
                 const std::array<std::int32_t, 4>& defaults, std::array<std::uint8_t, 4>& out)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(elementAttributeIntOr(root, element, prefix + QString::number(i + 1), defaults[i]));
}

// The identifier with bit 31 for a 29-bit frame; the CobType text is compared upper-cased.
std::uint32_t frameIdentifier(const RowRef& ref)
{
    std::uint32_t id = static_cast<std::uint32_t>(strictInt64(ref, QStringLiteral("CobID")));
    if (equalsUpperAscii(text(ref.node, u"CobType"), QLatin1StringView("2.0B (29 BITS)")))
        id |= 0x80000000u;
    return id;
}

void putDefaultValues(const RowRef& ref, int frame, std::array<std::uint8_t, kDefaultValueTableSize>& table,
                      const char* direction)
{
    const QStringView list = trimBlanks(text(ref.node, u"DefaultValues"));
    if (list.isEmpty())
        return;
    const QList<std::uint8_t> bytes = ParseByteList(list);
    if (bytes.isEmpty())
        return;
    if (frame >= kDefaultValueFrames) {
        throw Error(QStringLiteral("%1, row %2, attribute DefaultValues: the device keeps default values for the "
                                   "first %3 %4 frames only")
                        .arg(ref.file)
                        .arg(ref.row + 1)
                        .arg(kDefaultValueFrames)
                        .arg(QLatin1StringView(direction)));
    }
    const int n = static_cast<int>(std::min<qsizetype>(bytes.size(), 8));
    for (int k = 0; k < n; ++k)
        table[static_cast<std::size_t>(frame * 8 + k)] = bytes[k];
}

[[noreturn]] void tooManyFrames(const InputFile& file, const char* direction)
{
    throw Error(QStringLiteral("%1: more than %2 %3 frames; the device has room for %2")
                    .arg(file.name())
                    .arg(kMaxFrames)
                    .arg(QLatin1StringView(direction)));
}

} // namespace

void ReadGeneralParameters(ImageModel& model, InputFile& parGen)
{
    ParameterRecord& r = model.record;
    r.addresses.rxDefaults = kBank2Addresses.rxDefaults;
    r.addresses.txDefaults = kBank2Addresses.txDefaults;
    if (!parGen.exists())
        return;
    const XmlItem& root = parGen.firstTopLevelNode();
    r.canBitRate = bitRateOfBaudCode(elementIntOr(root, QStringLiteral("BaudRateCAN"), 8));
    readAddress(root, QStringLiteral("ADD_IP"), QStringLiteral("IPB"), {192, 168, 0, 10}, r.ip);
    readAddress(root, QStringLiteral("SUBNET"), QStringLiteral("SMB"), {255, 255, 255, 0}, r.mask);
    if (elementText(root, QStringLiteral("EN_GATEWAY")) == QStringLiteral("1"))
        readAddress(root, QStringLiteral("GATEWAY"), QStringLiteral("GATB"), {255, 255, 255, 255}, r.gateway);
    else
        r.gateway = {255, 255, 255, 255};
    r.port = static_cast<std::uint16_t>(elementIntOr(root, QStringLiteral("Port"), 502));
    r.port2 = r.port;
}

void ReadFrames(ImageModel& model, CompileInput& input)
{
    ParameterRecord& r = model.record;
    std::uint32_t canTimeOut = 0;
    if (input.parGen.exists()) {
        // CANType acts only where a frame's own format cannot be read, which never happens
        // for a row whose CobID was read, so only the time-out matters here.
        canTimeOut = static_cast<std::uint32_t>(elementIntOr(input.parGen.firstTopLevelNode(), QStringLiteral("CANTimeOut"), 0));
    }

    if (input.rCobDef.exists()) {
        const std::vector<XmlItem>& rows = input.rCobDef.firstTopLevelNode().children;
        const int count = static_cast<int>(rows.size());
        for (int j = 0; j < count; ++j) {
            const XmlItem& row = rows[static_cast<std::size_t>(j)];
            const RowRef ref{input.rCobDef.name(), row, j};
            const int i = static_cast<int>(r.rxFrameCount);
            if (i >= kMaxFrames)
                tooManyFrames(input.rCobDef, "receive");
            FrameEntry e;
            e.id = frameIdentifier(ref);
            e.length = static_cast<std::uint8_t>(strictInt(ref, QStringLiteral("Dimensin")));
            if (const auto t = tryInt64(row, QStringLiteral("TimeOut_Time")))
                e.time = static_cast<std::uint32_t>(*t);
            else
                e.time = equalsUpperAscii(text(row, u"TimeOut"), QLatin1StringView("Y")) ? canTimeOut : 0;
            if (equalsUpperAscii(trimBlanks(text(row, u"RTR")), QLatin1StringView("Y"))) {
                e.period = static_cast<std::uint32_t>(toInt32(trimBlanks(text(row, u"TimeRTR")), -1));
                if (e.period != 0)
                    e.flags |= 0x08;
            }
            putDefaultValues(ref, i, model.rxDefaults, "receive");
            model.rxFrames[static_cast<std::size_t>(i)] = e;
            ++r.rxFrameCount;
        }
    }

    if (input.tCobDef.exists()) {
        const std::vector<XmlItem>& rows = input.tCobDef.firstTopLevelNode().children;
        const int count = static_cast<int>(rows.size());
        for (int j = 0; j < count; ++j) {
            const XmlItem& row = rows[static_cast<std::size_t>(j)];
            const RowRef ref{input.tCobDef.name(), row, j};
            const int i = static_cast<int>(r.txFrameCount);
            if (i >= kMaxFrames)
                tooManyFrames(input.tCobDef, "transmit");
            FrameEntry e;
            e.id = frameIdentifier(ref);
            e.length = static_cast<std::uint8_t>(strictInt(ref, QStringLiteral("Dimensin")));
            // The flag texts are compared upper-cased but not trimmed.
            if (equalsUpperAscii(text(row, u"RTR"), QLatin1StringView("Y")))
                e.flags |= 0x01;
            if (equalsUpperAscii(text(row, u"OnChange"), QLatin1StringView("Y")))
                e.flags |= 0x02;
            if (equalsUpperAscii(text(row, u"OnTimer"), QLatin1StringView("Y"))) {
                e.flags |= 0x04;
                e.period = static_cast<std::uint32_t>(tryInt64(row, QStringLiteral("Timer")).value_or(0));
            }
            putDefaultValues(ref, i, model.txDefaults, "transmit");
            model.txFrames[static_cast<std::size_t>(i)] = e;
            ++r.txFrameCount;
        }
    }
}

namespace {

void readMappingFile(InputFile& file, std::uint32_t frameCount, std::array<MappingEntry, kMaxMappings>& table,
                     std::uint32_t& mappingCount, bool transmit)
{
    if (frameCount == 0 || !file.exists())
        return;
    const std::vector<XmlItem>& rows = file.firstTopLevelNode().children;
    const int count = static_cast<int>(rows.size());
    for (int j = 0; j < count; ++j) {
        const XmlItem& row = rows[static_cast<std::size_t>(j)];
        const std::int64_t p = static_cast<std::int64_t>(intOr(row, QStringLiteral("NrPdo"), -1)) - 1;
        if (p < 0 || p >= static_cast<std::int64_t>(frameCount))
            continue;
        if (mappingCount >= static_cast<std::uint32_t>(kMaxMappings)) {
            throw Error(QStringLiteral("%1, row %2: more than %3 %4 mapping entries; the device has room for %3")
                            .arg(file.name())
                            .arg(j + 1)
                            .arg(kMaxMappings)
                            .arg(transmit ? QStringLiteral("transmit") : QStringLiteral("receive")));
        }
        const RowRef ref{file.name(), row, j};
        MappingEntry e;
        e.frame = static_cast<std::uint16_t>(p);
        e.reg = static_cast<std::uint16_t>(strictInt(ref, QStringLiteral("Index")));
        const std::int32_t v = intOr(row, QStringLiteral("PosComp"), 0);
        const std::uint32_t hi = (static_cast<std::uint32_t>(v) >> 4) & 0xF;
        const std::uint32_t lo = static_cast<std::uint32_t>(v) & 0xF;
        e.highByte = static_cast<std::uint16_t>(hi != 0 ? p * 8 + hi : 0);
        e.lowByte = static_cast<std::uint16_t>(lo != 0 ? p * 8 + lo : 0);
        if (transmit && intOr(row, QStringLiteral("Send_on_Write"), 0) == 1)
            e.frame |= 0x8000;
        table[mappingCount] = e;
        ++mappingCount;
    }
}

} // namespace

void ReadMappings(ImageModel& model, CompileInput& input)
{
    ParameterRecord& r = model.record;
    readMappingFile(input.rInfoCob, r.rxFrameCount, model.rxMappings, r.rxMappingCount, false);
    readMappingFile(input.tInfoCob, r.txFrameCount, model.txMappings, r.txMappingCount, true);
}

QList<std::uint8_t> ParseByteList(QStringView text)
{
    return parseByteList(text);
}

namespace {

void putFrames(ByteWriter& w, const std::array<FrameEntry, kMaxFrames>& frames)
{
    for (const FrameEntry& f : frames) {
        w.u32(f.id);
        w.u32(f.time);
        w.u32(f.period);
        w.u8(f.length);
        w.u8(f.flags);
        w.u16(0);
    }
}

void putMappings(ByteWriter& w, const std::array<MappingEntry, kMaxMappings>& mappings)
{
    for (const MappingEntry& m : mappings) {
        w.u16(m.reg);
        w.u16(m.frame);
        w.u16(m.highByte);
        w.u16(m.lowByte);
    }
}

} // namespace

int PutFrameTables(const ImageModel& model, QByteArray& buffer, int pos)
{
    ByteWriter w(buffer, pos);
    putFrames(w, model.rxFrames);
    putFrames(w, model.txFrames);
    return w.pos();
}

int PutMappingTables(const ImageModel& model, QByteArray& buffer, int pos)
{
    ByteWriter w(buffer, pos);
    putMappings(w, model.rxMappings);
    putMappings(w, model.txMappings);
    return w.pos();
}

int PutDefaultValues(const ImageModel& model, QByteArray& buffer, int pos)
{
    ByteWriter w(buffer, pos);
    for (std::uint8_t b : model.rxDefaults)
        w.u8(b);
    for (std::uint8_t b : model.txDefaults)
        w.u8(b);
    return w.pos();
}

int PutParameterRecord(const ParameterRecord& r, QByteArray& buffer, int pos)
{
    ByteWriter w(buffer, pos);
    w.u32(r.canBitRate);   // 0
    w.zeros(8);            // 4, 8: reserved
    w.u32(9600);           // 12
    w.u16(8);              // 16
    w.zeros(2 + 5 * 4);    // 18, 20
    for (std::uint8_t b : r.ip)
        w.u8(b);           // 40
    for (std::uint8_t b : r.mask)
        w.u8(b);           // 44
    for (std::uint8_t b : r.gateway)
        w.u8(b);           // 48
    w.u16(10000);          // 52
    w.u16(r.port);         // 54
    w.u16(r.port2);        // 56
    w.zeros(2);            // 58
    w.u32(9600);           // 60
    w.u16(8);              // 64
    w.zeros(2 + 3 * 4 + 24 + 2 * 2 + 5 * 4 + 4 + 16 * 4);   // 66 to 195
    w.u32(0x60000);        // 196
    w.zeros(20 * 4);       // 200
    w.u32(r.rxFrameCount); // 280
    w.u32(r.txFrameCount);
    w.u32(r.rxMappingCount);
    w.u32(r.txMappingCount);
    w.u32(r.addresses.rxFrames);   // 296
    w.u32(r.addresses.txFrames);
    w.u32(r.addresses.rxMappings);
    w.u32(r.addresses.txMappings);
    w.zeros(4 * 4);                // 312
    w.u32(r.addresses.rxDefaults); // 328
    w.u32(r.addresses.txDefaults);
    w.zeros(kRecordChecksumOffset - 336);
    w.u32(recordChecksum(buffer.constData() + pos));
    return w.pos();
}

std::uint32_t recordChecksum(const char* record)
{
    std::uint32_t sum = 0;
    for (int i = 0; i < kRecordChecksumOffset; ++i)
        sum += static_cast<std::uint8_t>(record[i]);
    return sum;
}

} // namespace px::image
