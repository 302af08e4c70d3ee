#include "core/image/legacy_image.h"

#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/image/byte_writer.h"
#include "core/image/image_layout.h"
#include "core/lang/message_ids.h"

#include <array>
#include <cstdint>
#include <utility>

namespace px::image {
namespace {

using namespace layout;

// Appends to the image and refuses to grow it beyond the device's room.
class LegacyBuffer {
public:
    LegacyBuffer() { m_bytes.reserve(8192); }

    ByteWriter append(int n)
    {
        const int pos = static_cast<int>(m_bytes.size());
        if (static_cast<qint64>(pos) + n > kLegacyMaxSize) {
            throw Error(msg::kLegacyImageTooLong, {kLegacyMaxSize});
        }
        m_bytes.resize(pos + n);
        return ByteWriter(m_bytes, pos);
    }
    int pos() const { return static_cast<int>(m_bytes.size()); }
    QByteArray& bytes() { return m_bytes; }

private:
    QByteArray m_bytes;
};

const QString aCobId = QStringLiteral("CobID");
const QString aDimension = QStringLiteral("Dimensin");
const QString aIndex = QStringLiteral("Index");
const QString aNrPdo = QStringLiteral("NrPdo");
const QString aPosComp = QStringLiteral("PosComp");
const std::array<QStringView, 3> kMappingAttributes{aIndex, aNrPdo, aPosComp};

// Both mapping lists: register, frame number and byte positions as stored. The model's
// mapping rows keep the frame number and the byte positions as numbers, with a value for a
// missing or non-integer text, while this image stops on those: its three values are read
// strictly from the stored row.
int appendMappings(LegacyBuffer& out, InputFile& file)
{
    if (!file.exists())
        return 0;
    const std::vector<XmlItem>& rows = file.rows(Root::DocumentElement);
    const int count = static_cast<int>(rows.size());
    for (int j = 0; j < count; ++j) {
        const XmlItem& row = rows[static_cast<std::size_t>(j)];
        const RowRef ref{file.name(), j};
        const std::array<std::optional<QStringView>, 3> values = xml::attributesOf(row, kMappingAttributes);
        const std::int32_t index = strictInt(ref, aIndex, values[0]);
        const std::int32_t nrPdo = strictInt(ref, aNrPdo, values[1]);
        const std::int32_t posComp = strictInt(ref, aPosComp, values[2]);
        ByteWriter w = out.append(kLegacyMappingEntrySize);
        w.u16(static_cast<std::uint32_t>(index));
        w.u8(static_cast<std::uint32_t>(nrPdo));
        w.u8(static_cast<std::uint32_t>(posComp));
    }
    return count;
}

// A frame's identifier and data length, which this image needs as integers.
std::pair<std::int32_t, std::int32_t> identifierAndLength(const RowRef& ref, const config::FrameRow& f)
{
    const std::int32_t cobId = strictInt(ref, aCobId, storedText(f, aCobId, f.cobId));
    const std::int32_t length = strictInt(ref, aDimension, storedText(f, aDimension, f.dimension));
    return {cobId, length};
}

} // namespace

QByteArray buildLegacyImage(CompileInput& input)
{
    LegacyBuffer out;
    std::array<std::uint32_t, kLegacyHeaderSections> header{};
    out.append(kLegacyHeaderSize);
    header[0] = kLegacyHeaderSize;

    std::array<std::uint16_t, kLookupEntries> lookup;
    lookup.fill(kNoLookupRow);
    std::array<std::uint8_t, kIdBitmapSize> bitmap{};
    int rxRows = 0;
    int txRows = 0;

    // The identifier width: 0 selects the 11-bit entry formats, anything else 29 bits.
    std::uint8_t canType = 0;
    if (input.parGen.exists()) {
        canType = static_cast<std::uint8_t>(
            strictElementInt(input.parGen.name(), input.parGen.root(Root::DocumentElement), QStringLiteral("CANType")));
    }
    const bool ext = config::isExtendedCanType(canType);

    if (input.rCobDef.exists()) {
        const std::vector<config::ReceiveFrame>& frames = input.rCobDef.receiveFrames(Root::DocumentElement);
        rxRows = static_cast<int>(frames.size());
        for (int j = 0; j < rxRows; ++j) {
            const config::ReceiveFrame& f = frames[static_cast<std::size_t>(j)];
            const auto [cobId, length] = identifierAndLength(RowRef{input.rCobDef.name(), j}, f);
            // Only an exact "Y" sets the time-out flag, as the editor's check box shows it.
            const std::uint32_t timeOut = config::isCheckedFlag(f.timeOut) ? 1 : 0;
            if (!ext) {
                const std::uint32_t id = static_cast<std::uint32_t>(cobId) & kStandardIdMask;
                lookup[id] = static_cast<std::uint16_t>(j);
                bitmap[id >> 3] |= static_cast<std::uint8_t>(1u << (id & 7));
                ByteWriter w = out.append(kLegacyRxEntrySize11);
                w.u16(id);
                w.u8(static_cast<std::uint32_t>(length));
                w.u8(timeOut);
            } else {
                ByteWriter w = out.append(kLegacyRxEntrySize29);
                w.u32(static_cast<std::uint32_t>(cobId));
                w.u8(static_cast<std::uint32_t>(length));
                w.u8(static_cast<std::uint32_t>(j));
                w.u8(timeOut);
            }
        }
    }

    header[1] = static_cast<std::uint32_t>(out.pos());
    if (!ext) {
        ByteWriter w = out.append(kLookupBlocksSize);
        for (std::uint16_t v : lookup)
            w.u16(v);
        for (std::uint8_t b : bitmap)
            w.u8(b);
    }

    header[2] = static_cast<std::uint32_t>(out.pos());
    if (input.tCobDef.exists()) {
        const std::vector<config::TransmitFrame>& frames = input.tCobDef.transmitFrames(Root::DocumentElement);
        txRows = static_cast<int>(frames.size());
        for (int j = 0; j < txRows; ++j) {
            const auto [cobId, length] = identifierAndLength(RowRef{input.tCobDef.name(), j}, frames[static_cast<std::size_t>(j)]);
            // The transmit identifier keeps its low 16 bits unmasked in the 11-bit format.
            ByteWriter w = out.append(ext ? kLegacyTxEntrySize29 : kLegacyTxEntrySize11);
            if (ext)
                w.u32(static_cast<std::uint32_t>(cobId));
            else
                w.u16(static_cast<std::uint32_t>(cobId));
            w.u8(static_cast<std::uint32_t>(length));
        }
    }

    header[3] = static_cast<std::uint32_t>(out.pos());
    const int rxMapRows = appendMappings(out, input.rInfoCob);
    header[4] = static_cast<std::uint32_t>(out.pos());
    const int txMapRows = appendMappings(out, input.tInfoCob);
    header[5] = static_cast<std::uint32_t>(out.pos());

    if (input.parGen.exists()) {
        const QString& file = input.parGen.name();
        const XmlItem& root = input.parGen.root(Root::DocumentElement);
        const std::int32_t baud = strictElementInt(file, root, QStringLiteral("BaudRateCAN"));
        const std::int32_t type = strictElementInt(file, root, QStringLiteral("CANType"));
        std::array<std::int32_t, 4> ip{};
        std::array<std::int32_t, 4> mask{};
        for (int i = 0; i < 4; ++i)
            ip[i] = strictElementAttributeInt(file, root, QStringLiteral("ADD_IP"), QStringLiteral("IPB%1").arg(i + 1));
        for (int i = 0; i < 4; ++i)
            mask[i] = strictElementAttributeInt(file, root, QStringLiteral("SUBNET"), QStringLiteral("SMB%1").arg(i + 1));
        const std::int32_t port = strictElementInt(file, root, QStringLiteral("Port"));
        const std::int32_t canTimeOut = strictElementInt(file, root, QStringLiteral("CANTimeOut"));
        const std::int32_t enGateway = tryElementInt(root, QStringLiteral("EN_GATEWAY")).value_or(0);
        std::array<std::int32_t, 4> gateway{192, 168, 0, 1};
        {
            // One failing gateway byte, or no GATEWAY element, gives the whole default gateway.
            const XmlItem* e = childElement(root, QStringLiteral("GATEWAY"));
            std::array<std::int32_t, 4> read{};
            bool ok = e != nullptr;
            for (int i = 0; ok && i < 4; ++i) {
                const auto v = attributeOf(*e, QStringLiteral("GATB%1").arg(i + 1));
                const auto n = v ? parseInt32(*v) : std::nullopt;
                ok = n.has_value();
                if (ok)
                    read[i] = *n;
            }
            if (ok)
                gateway = read;
        }
        const std::int32_t fastBoot = tryElementInt(root, QStringLiteral("FAST_BOOT")).value_or(0);

        // The device's bit-rate code is one above the stored code, and code 9 (20K) is its code 2.
        std::uint32_t code = (static_cast<std::uint32_t>(baud) + 1u) & 0xFF;
        if (code == 10)
            code = 2;

        const int at = out.pos();
        out.append(kLegacyParameterBlockSize);
        const auto put = [&out, at](int offset) { return ByteWriter(out.bytes(), at + offset); };
        const auto putQuad = [&put](int offset, const std::array<std::int32_t, 4>& q) {
            ByteWriter w = put(offset);
            for (std::int32_t b : q)
                w.u8(static_cast<std::uint32_t>(b));
        };
        put(legacy_block::kBitRateCode).u8(code);
        put(legacy_block::kCanType).u8(static_cast<std::uint32_t>(type));
        putQuad(legacy_block::kIp, ip);
        putQuad(legacy_block::kMask, mask);
        put(legacy_block::kPort).u16(static_cast<std::uint32_t>(port));
        put(legacy_block::kRxFrames).u16(static_cast<std::uint32_t>(rxRows));
        put(legacy_block::kTxFrames).u16(static_cast<std::uint32_t>(txRows));
        put(legacy_block::kRxMappings).u16(static_cast<std::uint32_t>(rxMapRows));
        put(legacy_block::kTxMappings).u16(static_cast<std::uint32_t>(txMapRows));
        put(legacy_block::kCanTimeOut).u16(static_cast<std::uint32_t>(canTimeOut));
        put(legacy_block::kGatewayEnabled).u8(static_cast<std::uint32_t>(enGateway));
        putQuad(legacy_block::kGateway, gateway);
        put(legacy_block::kFastBoot).u8(static_cast<std::uint32_t>(fastBoot));
    }

    ByteWriter h(out.bytes(), 0);
    for (std::uint32_t v : header)
        h.u32(v);
    return out.bytes();
}

} // namespace px::image
