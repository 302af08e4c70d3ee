#include "core/image/image_model.h"

#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/config/general_parameters.h"
#include "core/image/byte_writer.h"
#include "core/lang/message_ids.h"

#include <algorithm>
#include <cstring>

namespace px::image {

using namespace layout;

namespace {

void readAddress(const XmlItem& root, const QString& element, const QString& prefix,
                 const std::array<std::int32_t, 4>& defaults, std::array<std::uint8_t, 4>& out)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(elementAttributeIntOr(root, element, prefix + QString::number(i + 1), defaults[i]));
}

const QString aCobId = QStringLiteral("CobID");
const QString aDimension = QStringLiteral("Dimensin");
const QString aIndex = QStringLiteral("Index");

// The fields both directions' entries share; the identifier gets kExtendedIdBit for a
// 29-bit frame.
FrameEntry commonEntry(const RowRef& ref, const config::FrameRow& f)
{
    FrameEntry e;
    e.id = static_cast<std::uint32_t>(strictInt64(ref, aCobId, storedText(f, aCobId, f.cobId)));
    if (f.extended())
        e.id |= kExtendedIdBit;
    e.length = static_cast<std::uint8_t>(strictInt(ref, aDimension, storedText(f, aDimension, f.dimension)));
    return e;
}

void putDefaultValues(const RowRef& ref, const config::FrameRow& f, int frame,
                      std::array<std::uint8_t, kDefaultValueTableSize>& table, int direction)
{
    const std::vector<std::uint8_t> bytes = f.defaultBytes();
    if (bytes.empty())
        return;
    if (frame >= kDefaultValueFrames) {
        throw Error(msg::kDefaultValuesBeyondRoom, {ref.file, ref.row + 1, kDefaultValueFrames, Message(direction)});
    }
    std::copy(bytes.begin(), bytes.end(), table.begin() + frame * kDefaultBytesPerFrame);
}

// `direction`: the message of the word receive or transmit.
[[noreturn]] void tooManyFrames(const InputFile& file, int direction)
{
    throw Error(msg::kImageTooManyFrames, {file.name(), kMaxFrames, Message(direction)});
}

void readGeneralParameters(ParameterRecord& r, InputFile& parGen)
{
    if (!parGen.exists())
        return;
    const XmlItem& root = parGen.root(Root::FirstTopLevelNode);
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

void readFrames(ImageModel& model, CompileInput& input)
{
    ParameterRecord& r = model.record;
    std::uint32_t canTimeOut = 0;
    if (input.parGen.exists()) {
        // CANType acts only where a frame's own format cannot be read, which never happens
        // for a row whose CobID was read, so only the time-out matters here.
        canTimeOut = static_cast<std::uint32_t>(
            elementIntOr(input.parGen.root(Root::FirstTopLevelNode), QStringLiteral("CANTimeOut"), 0));
    }

    if (input.rCobDef.exists()) {
        const std::vector<config::ReceiveFrame>& frames = input.rCobDef.receiveFrames(Root::FirstTopLevelNode);
        const int count = static_cast<int>(frames.size());
        for (int i = 0; i < count; ++i) {
            const config::ReceiveFrame& f = frames[static_cast<std::size_t>(i)];
            const RowRef ref{input.rCobDef.name(), i};
            if (i >= kMaxFrames)
                tooManyFrames(input.rCobDef, msg::kPickerReceiveList);
            FrameEntry e = commonEntry(ref, f);
            e.time = f.timeOutMilliseconds(static_cast<std::int32_t>(canTimeOut));
            e.period = f.rtrPeriodMilliseconds();
            if (e.period != 0)
                e.flags |= kFlagRtrPolling;
            putDefaultValues(ref, f, i, model.rxDefaults, msg::kPickerReceiveList);
            model.rxFrames[static_cast<std::size_t>(i)] = e;
            ++r.rxFrameCount;
        }
    }

    if (input.tCobDef.exists()) {
        const std::vector<config::TransmitFrame>& frames = input.tCobDef.transmitFrames(Root::FirstTopLevelNode);
        const int count = static_cast<int>(frames.size());
        for (int i = 0; i < count; ++i) {
            const config::TransmitFrame& f = frames[static_cast<std::size_t>(i)];
            const RowRef ref{input.tCobDef.name(), i};
            if (i >= kMaxFrames)
                tooManyFrames(input.tCobDef, msg::kPickerTransmitList);
            FrameEntry e = commonEntry(ref, f);
            if (f.rtrEnabled())
                e.flags |= kFlagRtr;
            if (f.sendsOnChange())
                e.flags |= kFlagOnChange;
            if (f.sendsOnTimer()) {
                e.flags |= kFlagOnTimer;
                e.period = f.timerMilliseconds();
            }
            putDefaultValues(ref, f, i, model.txDefaults, msg::kPickerTransmitList);
            model.txFrames[static_cast<std::size_t>(i)] = e;
            ++r.txFrameCount;
        }
    }
}

void readMappingFile(InputFile& file, config::Direction direction, std::uint32_t frameCount,
                     std::array<MappingEntry, kMaxMappings>& table, std::uint32_t& mappingCount)
{
    if (frameCount == 0 || !file.exists())
        return;
    const bool transmit = direction == config::Direction::Transmit;
    const std::vector<config::MappingEntry>& entries = file.mappings(Root::FirstTopLevelNode, direction);
    const std::vector<XmlItem>& rows = file.rows(Root::FirstTopLevelNode);
    const int count = static_cast<int>(entries.size());
    for (int j = 0; j < count; ++j) {
        const config::MappingEntry& m = entries[static_cast<std::size_t>(j)];
        const std::int64_t p = static_cast<std::int64_t>(m.frameNumber) - 1;
        if (p < 0 || p >= static_cast<std::int64_t>(frameCount))
            continue;
        if (mappingCount >= static_cast<std::uint32_t>(kMaxMappings)) {
            throw Error(msg::kImageTooManyMappings, {file.name(), j + 1, kMaxMappings, Message(transmit ? msg::kPickerTransmitList : msg::kPickerReceiveList)});
        }
        // The model keeps the register index as text; a missing one and one that is no
        // integer are told apart by the stored row.
        const RowRef ref{file.name(), j};
        MappingEntry e;
        e.frame = static_cast<std::uint16_t>(p);
        e.reg = static_cast<std::uint16_t>(strictInt(ref, aIndex, attributeOf(rows[static_cast<std::size_t>(j)], aIndex)));
        const auto base = static_cast<std::uint32_t>(p) * kDefaultBytesPerFrame;
        e.highByte = static_cast<std::uint16_t>(m.highByte != 0 ? base + static_cast<std::uint32_t>(m.highByte) : 0);
        e.lowByte = static_cast<std::uint16_t>(m.lowByte != 0 ? base + static_cast<std::uint32_t>(m.lowByte) : 0);
        if (transmit && m.sendOnWrite)
            e.frame |= kSendOnWriteBit;
        table[mappingCount] = e;
        ++mappingCount;
    }
}

void putFrames(QByteArray& image, int at, const std::array<FrameEntry, kMaxFrames>& frames)
{
    for (const FrameEntry& f : frames) {
        ByteWriter(image, at + frame_entry::kId).u32(f.id);
        ByteWriter(image, at + frame_entry::kTime).u32(f.time);
        ByteWriter(image, at + frame_entry::kPeriod).u32(f.period);
        ByteWriter(image, at + frame_entry::kLength).u8(f.length);
        ByteWriter(image, at + frame_entry::kFlags).u8(f.flags);
        ByteWriter(image, at + frame_entry::kSpare).u16(0);
        at += kFrameEntrySize;
    }
}

void putMappings(QByteArray& image, int at, const std::array<MappingEntry, kMaxMappings>& mappings)
{
    for (const MappingEntry& m : mappings) {
        ByteWriter(image, at + mapping_entry::kRegister).u16(m.reg);
        ByteWriter(image, at + mapping_entry::kFrame).u16(m.frame);
        ByteWriter(image, at + mapping_entry::kHighByte).u16(m.highByte);
        ByteWriter(image, at + mapping_entry::kLowByte).u16(m.lowByte);
        at += kMappingEntrySize;
    }
}

} // namespace

std::unique_ptr<ImageModel> readImageModel(CompileInput& input)
{
    auto model = std::make_unique<ImageModel>();
    readGeneralParameters(model->record, input.parGen);
    readFrames(*model, input);
    readMappingFile(input.rInfoCob, config::Direction::Receive, model->record.rxFrameCount, model->rxMappings,
                    model->record.rxMappingCount);
    readMappingFile(input.tInfoCob, config::Direction::Transmit, model->record.txFrameCount, model->txMappings,
                    model->record.txMappingCount);
    return model;
}

void putTables(const ImageModel& model, QByteArray& image, int defaultsOffset)
{
    putFrames(image, kRxFrameTableOffset, model.rxFrames);
    putFrames(image, kTxFrameTableOffset, model.txFrames);
    putMappings(image, kRxMappingTableOffset, model.rxMappings);
    putMappings(image, kTxMappingTableOffset, model.txMappings);
    char* defaults = image.data() + defaultsOffset;
    std::memcpy(defaults, model.rxDefaults.data(), kDefaultValueTableSize);
    std::memcpy(defaults + kDefaultValueTableSize, model.txDefaults.data(), kDefaultValueTableSize);
}

int putParameterRecord(const ParameterRecord& r, const TableAddresses& a, QByteArray& buffer, int at)
{
    char* const rec = buffer.data() + at;
    std::memset(rec, 0, kRecordSize);   // reserved and fill bytes
    const auto put = [&buffer, at](int offset) { return ByteWriter(buffer, at + offset); };
    const auto putQuad = [&put](int offset, const std::array<std::uint8_t, 4>& q) {
        ByteWriter w = put(offset);
        for (std::uint8_t b : q)
            w.u8(b);
    };
    for (const record::FixedValue& v : record::kFixedValues) {
        if (v.width == 2)
            put(v.offset).u16(v.value);
        else
            put(v.offset).u32(v.value);
    }
    put(record::kCanBitRate).u32(r.canBitRate);
    putQuad(record::kIp, r.ip);
    putQuad(record::kMask, r.mask);
    putQuad(record::kGateway, r.gateway);
    put(record::kPort).u16(r.port);
    put(record::kPort2).u16(r.port2);
    put(record::kRxFrameCount).u32(r.rxFrameCount);
    put(record::kTxFrameCount).u32(r.txFrameCount);
    put(record::kRxMappingCount).u32(r.rxMappingCount);
    put(record::kTxMappingCount).u32(r.txMappingCount);
    put(record::kRxFramesAddress).u32(a.rxFrames);
    put(record::kTxFramesAddress).u32(a.txFrames);
    put(record::kRxMappingsAddress).u32(a.rxMappings);
    put(record::kTxMappingsAddress).u32(a.txMappings);
    put(record::kRxDefaultsAddress).u32(a.rxDefaults);
    put(record::kTxDefaultsAddress).u32(a.txDefaults);
    put(record::kChecksum).u32(recordChecksum(rec));
    return at + kRecordSize;
}

std::uint32_t recordChecksum(const char* record)
{
    std::uint32_t sum = 0;
    for (int i = 0; i < record::kChecksum; ++i)
        sum += static_cast<std::uint8_t>(record[i]);
    return sum;
}

} // namespace px::image
