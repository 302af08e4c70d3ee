#include "core/sim/converter.h"

#include "core/base/error.h"
#include "core/image/image_layout.h"
#include "core/lang/message_ids.h"

#include <algorithm>
#include <utility>

namespace px::sim {
namespace {

using image::layout::kDefaultValueFrames;

// Byte numbers are 16-bit: room for every one of them, so no entry of a damaged or
// unusual image reads or writes outside the frame bytes.
constexpr std::size_t kByteRoom = 0x10000;
// Frame numbers a mapping entry can name: 15 bits, and those of every byte number.
constexpr std::size_t kFrameNumberRoom = 0x8000;

// A period elapsed more often than this while the converter was not driven (a stopped
// process, a jump of the clock) is not made up frame by frame.
constexpr Millis kMostPeriodsMadeUp = 100;

CanFrame configuredFrame(const image::FrameEntry& e)
{
    CanFrame f;
    f.extended = (e.id & 0x80000000u) != 0;
    f.id = e.id & (f.extended ? 0x1FFFFFFFu : 0x7FFFFFFFu);
    f.length = static_cast<std::uint8_t>(std::min<int>(e.length, 8));
    return f;
}

int frameOfByte(std::uint16_t byteNumber)
{
    return (byteNumber - 1) >> 3;
}

} // namespace

Converter Converter::fromImage(const QByteArray& bank2, Millis start)
{
    const std::optional<image::DecodedCurrentImage> image = image::decodeCurrentImage(bank2);
    if (!image || image->kind != image::DecodedCurrentImage::Kind::MainMemory)
        throw Error(msg::kConverterImageSize, {image::layout::kBank2Size, bank2.size()});
    return Converter(*image->tables, image->record->fields, start);
}

Converter::Converter(const image::DecodedTables& tables, const image::ParameterRecord& record, Millis start)
    : m_now(start),
      m_canBitRate(record.canBitRate),
      m_rxBytes(kByteRoom, 0),
      m_txBytes(kByteRoom, 0),
      m_registers(0x10000, 0),
      m_frameMarks(kFrameNumberRoom, 0)
{
    const int rxCount = image::framesInUse(tables.rxFrames, record.rxFrameCount);
    const int txCount = image::framesInUse(tables.txFrames, record.txFrameCount);
    const int rxMapCount = image::mappingsInUse(tables.rxMappings, record.rxMappingCount);
    const int txMapCount = image::mappingsInUse(tables.txMappings, record.txMappingCount);

    std::copy(tables.rxDefaults.begin(), tables.rxDefaults.end(), m_rxBytes.begin());
    std::copy(tables.txDefaults.begin(), tables.txDefaults.end(), m_txBytes.begin());

    for (int i = 0; i < rxCount; ++i) {
        const image::FrameEntry& e = tables.rxFrames[static_cast<std::size_t>(i)].frame;
        ReceiveFrame r;
        r.frame = configuredFrame(e);
        r.timeout = e.time;
        r.pollPeriod = (e.flags & 0x08) ? e.period : 0;
        m_rxFrames.push_back(r);
        // The first of several frames with the same identifier and format takes it.
        m_rxByKey.emplace(key(r.frame.id, r.frame.extended), i);
        if (r.timeout)
            m_timedFrames.push_back(i);
        if (r.pollPeriod)
            m_schedule.push({start + r.pollPeriod, true, i});
    }
    m_rxState.resize(m_rxFrames.size());
    m_rxMappingsOfFrame.resize(m_rxFrames.size());

    for (int i = 0; i < txCount; ++i) {
        const image::FrameEntry& e = tables.txFrames[static_cast<std::size_t>(i)].frame;
        TransmitFrame t;
        t.frame = configuredFrame(e);
        t.answersRemoteRequest = (e.flags & 0x01) != 0;
        t.onChange = (e.flags & 0x02) != 0;
        t.onTimer = (e.flags & 0x04) != 0;
        t.timerPeriod = t.onTimer ? e.period : 0;
        m_txFrames.push_back(t);
        if (t.answersRemoteRequest)
            m_remoteTxByKey.emplace(key(t.frame.id, t.frame.extended), i);
        if (t.timerPeriod)
            m_schedule.push({start + t.timerPeriod, false, i});
    }

    // Transmit registers start as the bytes of their frames, receive registers as theirs;
    // a register in both directions shows the receive side.
    for (int i = 0; i < txMapCount; ++i) {
        const image::MappingEntry& m = tables.txMappings[static_cast<std::size_t>(i)];
        m_txByRegister[m.reg].push_back(m);
        m_registers[m.reg] = composed(m_txBytes, m.highByte, m.lowByte);
        m_uses.push_back({m.reg, FrameRef::Direction::Transmit, m.frame & 0x7FFF, m.highByte, m.lowByte,
                          (m.frame & 0x8000) != 0});
    }
    for (int i = 0; i < rxMapCount; ++i) {
        const image::MappingEntry& m = tables.rxMappings[static_cast<std::size_t>(i)];
        m_registers[m.reg] = composed(m_rxBytes, m.highByte, m.lowByte);
        m_uses.push_back({m.reg, FrameRef::Direction::Receive, m.frame, m.highByte, m.lowByte, false});
        // A register follows every receive frame that holds one of its bytes.
        int lastFrame = -1;
        for (const std::uint16_t b : {m.highByte, m.lowByte}) {
            if (b == 0)
                continue;
            const int f = frameOfByte(b);
            if (f < rxCount && f != lastFrame)
                m_rxMappingsOfFrame[static_cast<std::size_t>(f)].push_back({m.reg, m.highByte, m.lowByte});
            lastFrame = f;
        }
    }
    std::stable_sort(m_uses.begin(), m_uses.end(), [](const RegisterUse& a, const RegisterUse& b) {
        return a.reg != b.reg ? a.reg < b.reg : a.direction < b.direction;
    });
}

std::uint16_t Converter::composed(const std::vector<std::uint8_t>& bytes, std::uint16_t high, std::uint16_t low) const
{
    const unsigned hi = high ? bytes[high - 1u] : 0u;
    const unsigned lo = low ? bytes[low - 1u] : 0u;
    return static_cast<std::uint16_t>(hi << 8 | lo);
}

CanFrame Converter::receiveFrameData(int frame) const
{
    CanFrame f = m_rxFrames[static_cast<std::size_t>(frame)].frame;
    std::copy_n(m_rxBytes.begin() + frame * 8, 8, f.data.begin());
    return f;
}

CanFrame Converter::transmitFrameData(int frame) const
{
    CanFrame f = m_txFrames[static_cast<std::size_t>(frame)].frame;
    std::copy_n(m_txBytes.begin() + frame * 8, 8, f.data.begin());
    // Bytes past the frame's length are not sent.
    std::fill(f.data.begin() + f.length, f.data.end(), 0);
    return f;
}

void Converter::send(Millis time, const CanFrame& frame, FrameRef ref, SendReason reason)
{
    if (m_events)
        m_events->frameSent(time, frame, ref, reason);
}

void Converter::setRegister(Millis time, std::uint16_t reg, std::uint16_t value)
{
    if (m_registers[reg] == value)
        return;
    m_registers[reg] = value;
    if (m_events)
        m_events->registerChanged(time, reg, value);
}

void Converter::advanceTo(Millis now)
{
    if (now < m_now)
        return;   // the clock never runs backwards for the converter
    while (!m_schedule.empty() && m_schedule.top().due <= now) {
        Scheduled s = m_schedule.top();
        m_schedule.pop();
        if (s.poll) {
            const ReceiveFrame& r = m_rxFrames[static_cast<std::size_t>(s.frame)];
            CanFrame request = r.frame;
            request.remote = true;
            send(s.due, request, {FrameRef::Direction::Receive, s.frame}, SendReason::RtrPoll);
            const Millis period = r.pollPeriod;
            s.due += now - s.due > kMostPeriodsMadeUp * period ? (now - s.due) / period * period : period;
        } else {
            const TransmitFrame& t = m_txFrames[static_cast<std::size_t>(s.frame)];
            send(s.due, transmitFrameData(s.frame), {FrameRef::Direction::Transmit, s.frame}, SendReason::OnTimer);
            const Millis period = t.timerPeriod;
            s.due += now - s.due > kMostPeriodsMadeUp * period ? (now - s.due) / period * period : period;
        }
        m_schedule.push(s);
    }
    for (const int f : m_timedFrames) {
        RxState& st = m_rxState[static_cast<std::size_t>(f)];
        const Millis deadline = st.lastReceived + m_rxFrames[static_cast<std::size_t>(f)].timeout;
        if (st.state == ReceiveState::Fresh && deadline <= now) {
            st.state = ReceiveState::TimedOut;
            if (m_events)
                m_events->receiveStateChanged(deadline, f, ReceiveState::TimedOut);
        }
    }
    m_now = now;
}

std::optional<Millis> Converter::nextDue() const
{
    std::optional<Millis> next;
    if (!m_schedule.empty())
        next = m_schedule.top().due;
    for (const int f : m_timedFrames) {
        const RxState& st = m_rxState[static_cast<std::size_t>(f)];
        if (st.state != ReceiveState::Fresh)
            continue;
        const Millis deadline = st.lastReceived + m_rxFrames[static_cast<std::size_t>(f)].timeout;
        if (!next || deadline < *next)
            next = deadline;
    }
    return next;
}

void Converter::receive(const CanFrame& frame, Millis now)
{
    advanceTo(now);
    now = m_now;
    const std::uint32_t k = key(frame.id, frame.extended);
    if (frame.remote) {
        const auto it = m_remoteTxByKey.find(k);
        if (it == m_remoteTxByKey.end()) {
            if (m_events)
                m_events->frameReceived(now, frame, {});
            return;
        }
        const FrameRef ref{FrameRef::Direction::Transmit, it->second};
        if (m_events)
            m_events->frameReceived(now, frame, ref);
        send(now, transmitFrameData(it->second), ref, SendReason::RemoteRequest);
        return;
    }
    const auto it = m_rxByKey.find(k);
    if (it == m_rxByKey.end()) {
        if (m_events)
            m_events->frameReceived(now, frame, {});
        return;
    }
    const int f = it->second;
    if (m_events)
        m_events->frameReceived(now, frame, {FrameRef::Direction::Receive, f});
    std::copy_n(frame.data.begin(), std::min<int>(frame.length, 8), m_rxBytes.begin() + f * 8);
    RxState& st = m_rxState[static_cast<std::size_t>(f)];
    st.lastReceived = now;
    if (st.state != ReceiveState::Fresh) {
        st.state = ReceiveState::Fresh;
        if (m_events)
            m_events->receiveStateChanged(now, f, ReceiveState::Fresh);
    }
    for (const RxMapping& m : m_rxMappingsOfFrame[static_cast<std::size_t>(f)])
        setRegister(now, m.reg, composed(m_rxBytes, m.highByte, m.lowByte));
}

void Converter::readRegisters(std::uint8_t unit, std::uint8_t function, std::uint16_t start, int count,
                              std::uint16_t* out, Millis now)
{
    advanceTo(now);
    count = std::clamp(count, 0, 0x10000 - start);
    std::copy_n(m_registers.begin() + start, count, out);
    if (m_events)
        m_events->modbusRequest(m_now, {unit, function, start, static_cast<std::uint16_t>(count), false, std::nullopt});
}

bool Converter::writeRegisters(std::uint8_t unit, std::uint8_t function, std::uint16_t start,
                               const std::uint16_t* values, int count, Millis now)
{
    advanceTo(now);
    now = m_now;
    count = std::clamp(count, 0, 0x10000 - start);
    ModbusAccess access{unit, function, start, static_cast<std::uint16_t>(count), true, std::nullopt};
    // The mappings of each register, looked up once.
    m_writeMappings.clear();
    for (int i = 0; i < count; ++i) {
        const auto reg = static_cast<std::uint16_t>(start + i);
        const auto it = m_txByRegister.find(reg);
        if (it == m_txByRegister.end()) {
            access.refusedRegister = reg;
            access.exception = 2;
            if (m_events)
                m_events->modbusRequest(now, access);
            return false;
        }
        m_writeMappings.push_back(&it->second);
    }
    if (m_events)
        m_events->modbusRequest(now, access);

    // Each frame the request touches is sent at most once, after all its registers are set.
    enum : std::uint8_t { kTouched = 1, kSentOnWrite = 2, kChanged = 4 };
    const auto touch = [this](int frame, std::uint8_t marks) {
        std::uint8_t& mark = m_frameMarks[static_cast<std::size_t>(frame)];
        if (!mark)
            m_touchedFrames.push_back(frame);
        mark |= kTouched | marks;
    };
    for (int i = 0; i < count; ++i) {
        const auto reg = static_cast<std::uint16_t>(start + i);
        const std::uint16_t value = values[i];
        setRegister(now, reg, value);
        for (const image::MappingEntry& m : *m_writeMappings[static_cast<std::size_t>(i)]) {
            touch(m.frame & 0x7FFF, (m.frame & 0x8000) ? kSentOnWrite : 0);
            const std::pair<std::uint16_t, std::uint8_t> parts[] = {{m.highByte, static_cast<std::uint8_t>(value >> 8)},
                                                                    {m.lowByte, static_cast<std::uint8_t>(value & 0xFF)}};
            for (const auto& [byteNumber, byte] : parts) {
                if (byteNumber == 0)
                    continue;
                std::uint8_t& stored = m_txBytes[byteNumber - 1u];
                const bool differs = stored != byte;
                stored = byte;
                touch(frameOfByte(byteNumber), differs ? kChanged : 0);
            }
        }
    }
    // In the order of the frames.
    std::sort(m_touchedFrames.begin(), m_touchedFrames.end());
    for (const int f : m_touchedFrames) {
        const std::uint8_t mark = std::exchange(m_frameMarks[static_cast<std::size_t>(f)], 0);
        if (f >= static_cast<int>(m_txFrames.size()))
            continue;
        const TransmitFrame& t = m_txFrames[static_cast<std::size_t>(f)];
        const bool onWrite = (mark & kSentOnWrite) != 0;
        if (onWrite || ((mark & kChanged) && t.onChange))
            send(now, transmitFrameData(f), {FrameRef::Direction::Transmit, f},
                 onWrite ? SendReason::OnWrite : SendReason::OnChange);
    }
    m_touchedFrames.clear();
    return true;
}

} // namespace px::sim
