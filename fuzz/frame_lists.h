#pragma once

// The frame lists of one direction, both device generations: the file is read into the
// editor's rows, checked, and when the check accepts it, written and read back (every
// value kept) and compiled (every frame as the check read it). The first byte chooses
// the device generation, the jumper device's identifier format and its time-out.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/text_rules.h"
#include "core/frames/frame_list.h"
#include "core/image/image_model.h"

namespace px::fuzz {

inline std::vector<int> byteList(const QString& cell)
{
    std::vector<int> values;
    const QStringView all = trimBlanks(cell);
    qsizetype from = 0;
    while (from < all.size()) {
        const qsizetype comma = all.indexOf(u',', from);
        const qsizetype end = comma < 0 ? all.size() : comma;
        values.push_back(toInt32(trimBlanks(all.sliced(from, end - from)), -1));
        from = end + 1;
    }
    return values;
}

inline int runFrameList(const std::uint8_t* data, std::size_t size, bool transmit)
{
    if (size == 0)
        return 0;
    const bool dip = (data[0] & 1) != 0;
    const FrameListKind kind = transmit ? (dip ? FrameListKind::TransmitDip : FrameListKind::TransmitJumper)
                                        : (dip ? FrameListKind::ReceiveDip : FrameListKind::ReceiveJumper);
    const CanSettings settings{(data[0] & 2) != 0 ? 1 : 0, (data[0] >> 2) * 25};
    const QByteArray bytes = bytesOf(data + 1, size - 1);
    const QString name = transmit ? QStringLiteral("TCobDef.xml") : QStringLiteral("RCobDef.xml");

    FrameList rows(kind);
    try {
        loadFrameListBytes(bytes, name, rows);
    } catch (const Error&) {
        return 0;
    }
    if (validateFrameList(rows, settings.canType))
        return 0;
    QByteArray written;
    try {
        written = frameListBytes(rows, settings);
    } catch (const Error&) {
        return 0;   // a character the file cannot store is refused, nothing written
    }
    const int n = rows.length();

    // Read, write, read: every value kept (the receive list of the dip-switch device
    // writes its number cells trimmed).
    FrameList again(kind);
    loadFrameListBytes(written, name, again);
    FUZZ_PROPERTY(again.length() == n);
    const bool trimsNumbers = kind == FrameListKind::ReceiveDip;
    for (int r = 0; r < n; ++r) {
        for (FrameColumn c : rows.columns()) {
            const bool number = trimsNumbers && (c == FrameColumn::CobId || c == FrameColumn::Dimension
                                                 || c == FrameColumn::TimeOut || c == FrameColumn::RtrTime);
            FUZZ_PROPERTY(again.text(r, c) == (number ? trimBlanks(rows.text(r, c)).toString() : rows.text(r, c)));
        }
    }

    // What the check accepted is what the device gets.
    const QByteArray parGenFile = QStringLiteral("<GeneralParameter><Device_Type>%1</Device_Type><CANType>%2</CANType>"
                                                 "<CANTimeOut>%3</CANTimeOut></GeneralParameter>")
                                      .arg(dip ? 1 : 0)
                                      .arg(settings.canType)
                                      .arg(settings.canTimeOut)
                                      .toUtf8();
    using image::InputFile;
    image::CompileInput input{InputFile::fromBytes(QStringLiteral("ParGen.xml"), parGenFile),
                              InputFile::fromBytes(QStringLiteral("RCobDef.xml"), transmit ? std::nullopt : std::optional(written)),
                              InputFile::fromBytes(QStringLiteral("TCobDef.xml"), transmit ? std::optional(written) : std::nullopt),
                              InputFile::fromBytes(QStringLiteral("RInfoCob.xml"), std::nullopt),
                              InputFile::fromBytes(QStringLiteral("TInfoCob.xml"), std::nullopt)};
    std::unique_ptr<image::ImageModel> read;
    try {
        read = image::readImageModel(input);
    } catch (const Error&) {
        // Only default values on a frame past those the device keeps them for stop it.
        FUZZ_PROPERTY(n > image::layout::kDefaultValueFrames);
        return 0;
    }
    const image::ImageModel& model = *read;
    FUZZ_PROPERTY(static_cast<int>(transmit ? model.record.txFrameCount : model.record.rxFrameCount) == n);
    const auto& frames = transmit ? model.txFrames : model.rxFrames;
    const auto& defaults = transmit ? model.txDefaults : model.rxDefaults;
    for (int r = 0; r < n; ++r) {
        const auto cell = [&rows, r](FrameColumn c) -> const QString& { return rows.text(r, c); };
        const image::FrameEntry& e = frames[static_cast<std::size_t>(r)];
        const bool bits29 = dip ? equalsUpperAscii(cell(FrameColumn::Type), QLatin1StringView("2.0B (29 BITS)"))
                                : settings.canType != 0;
        const auto id = static_cast<std::uint32_t>(toInt64(cell(FrameColumn::CobId), -1));
        FUZZ_PROPERTY(e.id == (bits29 ? (id | 0x80000000u) : id));
        FUZZ_PROPERTY(e.length == toInt32(cell(FrameColumn::Dimension), -1));
        std::uint32_t time = 0;
        std::uint32_t period = 0;
        std::uint8_t flags = 0;
        QString defaultValues;
        if (kind == FrameListKind::ReceiveJumper) {
            time = static_cast<std::uint32_t>(settings.canTimeOut);
        } else if (kind == FrameListKind::ReceiveDip) {
            time = static_cast<std::uint32_t>(toInt32(trimBlanks(cell(FrameColumn::TimeOut)), -1));
            if (equalsUpperAscii(trimBlanks(cell(FrameColumn::Rtr)), QLatin1StringView("Y"))) {
                period = static_cast<std::uint32_t>(toInt32(cell(FrameColumn::RtrTime), -1));
                flags = 0x08;
            }
            defaultValues = cell(FrameColumn::DefaultValues);
        } else if (kind == FrameListKind::TransmitDip) {
            const auto yes = [&](FrameColumn c) { return equalsUpperAscii(cell(c), QLatin1StringView("Y")); };
            flags = static_cast<std::uint8_t>((yes(FrameColumn::Rtr) ? 1 : 0) | (yes(FrameColumn::OnChange) ? 2 : 0)
                                              | (yes(FrameColumn::OnTimer) ? 4 : 0));
            if (yes(FrameColumn::OnTimer))
                period = static_cast<std::uint32_t>(toInt32(cell(FrameColumn::Timer), -1));
            defaultValues = cell(FrameColumn::DefaultValues);
        }
        FUZZ_PROPERTY(e.time == time);
        FUZZ_PROPERTY(e.period == period);
        FUZZ_PROPERTY(e.flags == flags);
        const std::vector<int> values = byteList(defaultValues);
        for (std::size_t k = 0; k < 8 && r < image::layout::kDefaultValueFrames; ++k) {
            const int expected = k < values.size() ? values[k] : 0;
            FUZZ_PROPERTY(defaults[static_cast<std::size_t>(r) * 8 + k] == expected);
        }
    }
    return 0;
}

} // namespace px::fuzz
