#include "core/sim/monitor.h"

#include "core/check/bus_load.h"
#include "core/sim/event_text.h"

#include <algorithm>

namespace px::sim {
namespace {

int frameOfByte(std::uint16_t byteNumber)
{
    return (byteNumber - 1) >> 3;
}

} // namespace

std::optional<double> WatchedFrame::meanPeriod() const
{
    if (seen < 2)
        return std::nullopt;
    return static_cast<double>(lastSeen - firstSeen) / static_cast<double>(seen - 1);
}

qint64 WatchedFrame::timeOuts(Millis now) const
{
    return timeOutsClosed + (timedOutAt(now) ? 1 : 0);
}

bool WatchedFrame::timedOutAt(Millis now) const
{
    // As on the device, a frame never received has no time-out running.
    return timeout != 0 && seen > 0 && now - lastSeen > static_cast<Millis>(timeout);
}

Monitor::Monitor(const QByteArray& bank2, const config::Configuration& config, Millis pollPeriod, Millis start)
    : m_model(Converter::fromImage(bank2, start)),
      m_start(start),
      m_pollPeriod(pollPeriod),
      m_bitRate(m_model.canBitRate()),
      m_estimatedPercent(check::estimateBusLoad(config).percent),
      m_slotOfRegister(0x10000, -1)
{
    // The mnemonics only label what is shown; the image alone decides what is compared.
    const bool receiveNames = config.receiveFrames.size() == m_model.receiveFrames().size();
    const bool transmitNames = config.transmitFrames.size() == m_model.transmitFrames().size();
    for (std::size_t i = 0; i < m_model.receiveFrames().size(); ++i) {
        const ReceiveFrame& r = m_model.receiveFrames()[i];
        WatchedFrame w;
        w.ref = {FrameRef::Direction::Receive, static_cast<int>(i)};
        w.configured = r.frame;
        w.mnemonic = receiveNames ? config.receiveFrames[i].mnemonic : QString();
        w.timeout = r.timeout;
        w.period = r.pollPeriod;
        w.expected = true;
        m_frames.push_back(w);
    }
    m_transmitOffset = m_frames.size();
    for (std::size_t i = 0; i < m_model.transmitFrames().size(); ++i) {
        const TransmitFrame& t = m_model.transmitFrames()[i];
        WatchedFrame w;
        w.ref = {FrameRef::Direction::Transmit, static_cast<int>(i)};
        w.configured = t.frame;
        w.mnemonic = transmitNames ? config.transmitFrames[i].mnemonic : QString();
        w.period = t.timerPeriod;
        w.expected = t.timerPeriod != 0;
        m_frames.push_back(w);
    }
    // A frame on the bus belongs to the first receive frame with its identifier and format,
    // as on the device, else to the first such transmit frame.
    for (std::size_t i = 0; i < m_frames.size(); ++i)
        m_frameByKey.emplace(key(m_frames[i].configured.id, m_frames[i].configured.extended), static_cast<int>(i));
    m_registersOfFrame.resize(m_frames.size());

    m_txBytes.assign(m_model.transmitFrames().size() * 8, 0);
    for (std::size_t i = 0; i < m_model.transmitFrames().size(); ++i) {
        const CanFrame data = m_model.transmitFrameData(static_cast<int>(i));
        std::copy(data.data.begin(), data.data.end(), m_txBytes.begin() + static_cast<std::ptrdiff_t>(i * 8));
    }

    for (const RegisterUse& use : m_model.registerUses()) {
        int slot = m_slotOfRegister[use.reg];
        if (slot < 0) {
            slot = static_cast<int>(m_registers.size());
            m_slotOfRegister[use.reg] = slot;
            WatchedRegister r;
            r.reg = use.reg;
            r.compared = false;
            r.expected = m_model.registerValue(use.reg);
            m_registers.push_back(r);
            m_transmitUsesOfSlot.emplace_back();
        }
        WatchedRegister& r = m_registers[static_cast<std::size_t>(slot)];
        r.source += (r.source.isEmpty() ? QString() : QStringLiteral("; ")) + registerUseText(use);
        const bool receive = use.direction == FrameRef::Direction::Receive;
        const std::size_t frameCount = receive ? m_transmitOffset : m_frames.size() - m_transmitOffset;
        const std::size_t offset = receive ? 0 : m_transmitOffset;
        int lastFrame = -1;
        for (const std::uint16_t b : {use.highByte, use.lowByte}) {
            if (b == 0 || frameOfByte(b) == lastFrame)
                continue;
            lastFrame = frameOfByte(b);
            if (static_cast<std::size_t>(lastFrame) >= frameCount)
                continue;
            const std::size_t watched = offset + static_cast<std::size_t>(lastFrame);
            std::vector<int>& regs = m_registersOfFrame[watched];
            if (regs.empty() || regs.back() != slot)
                regs.push_back(slot);
            if (std::find_if(r.frames.begin(), r.frames.end(), [&](FrameRef f) {
                    return f.direction == use.direction && f.index == lastFrame;
                }) == r.frames.end())
                r.frames.push_back(m_frames[watched].ref);
        }
        if (receive) {
            r.compared = true;
        } else {
            m_transmitUsesOfSlot[static_cast<std::size_t>(slot)].push_back(use);
            // The device sends what the master wrote on change, on timer or on write;
            // otherwise the bus never shows it.
            const bool frameKnown = use.frame < static_cast<int>(m_model.transmitFrames().size());
            const TransmitFrame* t = frameKnown ? &m_model.transmitFrames()[static_cast<std::size_t>(use.frame)] : nullptr;
            if (use.sendOnWrite || (t && (t->onChange || t->onTimer)))
                r.compared = true;
        }
    }

    // Blocks of at most 125 registers from the lowest mapped one upwards; unmapped
    // registers inside a block are read along, which costs less than another request.
    for (const WatchedRegister& r : m_registers) {
        if (!m_blocks.empty() && r.reg - m_blocks.back().start < kMostRegistersPerRead) {
            m_blocks.back().count = static_cast<std::uint16_t>(r.reg - m_blocks.back().start + 1);
            continue;
        }
        m_blocks.push_back({r.reg, 1});
    }
}

std::uint16_t Monitor::composedTransmit(const RegisterUse& use) const
{
    const auto byteAt = [this](std::uint16_t b) -> unsigned {
        return b != 0 && b - 1u < m_txBytes.size() ? m_txBytes[b - 1u] : 0u;
    };
    return static_cast<std::uint16_t>(byteAt(use.highByte) << 8 | byteAt(use.lowByte));
}

void Monitor::record(const SeenFrame& frame)
{
    if (m_frameCapacity == 0)
        return;
    if (m_recordedFrames.size() >= m_frameCapacity) {
        const std::size_t drop = std::max<std::size_t>(1, m_recordedFrames.size() / 2);
        m_recordedFrames.erase(m_recordedFrames.begin(), m_recordedFrames.begin() + static_cast<std::ptrdiff_t>(drop));
        m_droppedFrames += static_cast<qint64>(drop);
    }
    m_recordedFrames.push_back(frame);
}

void Monitor::setRecordCapacity(std::size_t frames, std::size_t polls)
{
    m_frameCapacity = frames;
    m_pollCapacity = polls;
}

void Monitor::frameSeen(const CanFrame& frame, Millis now)
{
    ++m_framesSeen;
    m_bits += check::worstCaseFrameBits(frame.extended, frame.remote ? 0 : frame.length);
    record({now, frame});
    const std::uint32_t k = key(frame.id, frame.extended);
    const auto it = m_frameByKey.find(k);
    if (frame.remote)
        ++m_remoteFrames;
    if (it == m_frameByKey.end()) {
        UnknownIdentifier& u = m_unknown[k];
        if (u.count++ == 0) {
            u.id = frame.id;
            u.extended = frame.extended;
            u.firstSeen = now;
        }
        u.lastSeen = now;
        return;
    }
    WatchedFrame& w = m_frames[static_cast<std::size_t>(it->second)];
    if (frame.remote) {
        ++w.remoteSeen;
        return;
    }
    if (w.seen > 0) {
        const Millis gap = now - w.lastSeen;
        if (w.seen == 1 || gap < w.shortestGap)
            w.shortestGap = gap;
        w.longestGap = std::max(w.longestGap, gap);
        if (w.timeout != 0 && gap > static_cast<Millis>(w.timeout))
            ++w.timeOutsClosed;
    } else {
        w.firstSeen = now;
    }
    ++w.seen;
    w.lastSeen = now;
    w.lastData = frame;
    if (frame.length != w.configured.length)
        ++w.wrongLength;

    if (w.ref.direction == FrameRef::Direction::Receive) {
        m_model.receive(frame, now);
        for (const int slot : m_registersOfFrame[static_cast<std::size_t>(it->second)]) {
            WatchedRegister& r = m_registers[static_cast<std::size_t>(slot)];
            r.expected = m_model.registerValue(r.reg);
        }
    } else {
        takeTransmitFrame(w.ref.index, frame);
        for (const int slot : m_registersOfFrame[static_cast<std::size_t>(it->second)]) {
            // What the device sent is what its register holds.
            for (const RegisterUse& use : m_transmitUsesOfSlot[static_cast<std::size_t>(slot)]) {
                if (use.frame == w.ref.index) {
                    m_registers[static_cast<std::size_t>(slot)].expected = composedTransmit(use);
                    break;
                }
            }
        }
    }
}

void Monitor::takeTransmitFrame(int frame, const CanFrame& data)
{
    const int length = std::min<int>(data.length, 8);
    std::copy_n(data.data.begin(), length, m_txBytes.begin() + frame * 8);
}

void Monitor::errorFrameSeen(Millis now)
{
    (void)now;
    ++m_errorFrames;
}

void Monitor::pollAnswered(PollBlock block, const std::uint16_t* values, int count, Millis now)
{
    ++m_pollsAnswered;
    count = std::min<int>(count, block.count);
    for (int i = 0; i < count; ++i) {
        const int reg = block.start + i;
        if (reg > 0xFFFF)
            break;
        const int slot = m_slotOfRegister[static_cast<std::size_t>(reg)];
        if (slot < 0)
            continue;
        WatchedRegister& r = m_registers[static_cast<std::size_t>(slot)];
        r.device = values[i];
        r.polledAt = now;
        if (!r.framesSeen) {
            r.framesSeen = std::all_of(r.frames.begin(), r.frames.end(), [this](FrameRef f) {
                return m_frames[(f.direction == FrameRef::Direction::Receive ? 0 : m_transmitOffset) + static_cast<std::size_t>(f.index)].seen > 0;
            });
        }
        const bool comparing = r.compared && r.framesSeen;
        if (m_pollCapacity != 0) {
            if (m_recordedPolls.size() >= m_pollCapacity) {
                const std::size_t drop = std::max<std::size_t>(1, m_recordedPolls.size() / 2);
                m_recordedPolls.erase(m_recordedPolls.begin(), m_recordedPolls.begin() + static_cast<std::ptrdiff_t>(drop));
                m_droppedPolls += static_cast<qint64>(drop);
            }
            m_recordedPolls.push_back({now, r.reg, values[i], r.expected, comparing});
        }
        if (!comparing)
            continue;
        if (values[i] == r.expected) {
            r.disagreeingSince.reset();
            r.marked = false;
            continue;
        }
        if (!r.disagreeingSince)
            r.disagreeingSince = now;
        if (!r.marked && now - *r.disagreeingSince > toleranceOf(r)) {
            r.marked = true;
            ++r.mismatches;
            r.lastMismatchBegan = r.disagreeingSince;
        }
    }
}

void Monitor::pollFailed(PollBlock block, const QString& cause, Millis now)
{
    (void)block;
    (void)now;
    ++m_pollsFailed;
    m_lastPollFailure = cause;
}

Millis Monitor::toleranceOf(const WatchedRegister& reg) const
{
    Millis framePeriod = 0;
    for (const FrameRef f : reg.frames) {
        const std::size_t i = (f.direction == FrameRef::Direction::Receive ? 0 : m_transmitOffset) + static_cast<std::size_t>(f.index);
        const WatchedFrame& w = m_frames[i];
        const std::optional<double> mean = w.meanPeriod();
        const Millis period = mean ? static_cast<Millis>(*mean + 0.5) : static_cast<Millis>(w.period);
        framePeriod = std::max(framePeriod, period);
    }
    return m_pollPeriod + framePeriod;
}

std::vector<UnknownIdentifier> Monitor::unknownIdentifiers() const
{
    std::vector<UnknownIdentifier> out;
    out.reserve(m_unknown.size());
    for (const auto& [k, u] : m_unknown)
        out.push_back(u);
    std::sort(out.begin(), out.end(), [](const UnknownIdentifier& a, const UnknownIdentifier& b) {
        return a.id != b.id ? a.id < b.id : a.extended < b.extended;
    });
    return out;
}

QString Monitor::frameLabel(FrameRef ref) const
{
    if (ref.direction == FrameRef::Direction::None || ref.index < 0)
        return frameRefText(ref);
    const std::size_t i = (ref.direction == FrameRef::Direction::Receive ? 0 : m_transmitOffset) + static_cast<std::size_t>(ref.index);
    if (i >= m_frames.size())
        return frameRefText(ref);
    const WatchedFrame& w = m_frames[i];
    QString text = frameRefText(ref) + QStringLiteral(" (") + identifierText(w.configured) + u')';
    if (!w.mnemonic.isEmpty())
        text += QStringLiteral(" \u201C") + w.mnemonic + QStringLiteral("\u201D");
    return text;
}

MonitorSummary Monitor::summary(Millis now) const
{
    MonitorSummary s;
    s.duration = now - m_start;
    s.framesSeen = m_framesSeen;
    s.configuredFrames = static_cast<int>(m_frames.size());
    for (const WatchedFrame& w : m_frames) {
        if (w.seen > 0)
            ++s.configuredFramesSeen;
        if (w.expected) {
            ++s.expectedFrames;
            if (w.seen > 0)
                ++s.expectedFramesSeen;
            else
                s.neverSeen << frameRefText(w.ref) + QStringLiteral(" (") + identifierText(w.configured) + u')';
        }
        s.timeOuts += w.timeOuts(now);
        s.wrongLength += w.wrongLength;
    }
    s.unknownIdentifiers = static_cast<int>(m_unknown.size());
    for (const auto& [k, u] : m_unknown)
        s.unknownFrames += u.count;
    s.remoteFrames = m_remoteFrames;
    s.errorFrames = m_errorFrames;
    if (s.duration > 0 && m_bitRate != 0)
        s.busLoadPercent = 100.0 * m_bits * 1000.0 / static_cast<double>(s.duration) / m_bitRate;
    s.estimatedBusLoadPercent = m_estimatedPercent;
    s.devicePolled = m_pollPeriod > 0;
    s.registersPolled = s.devicePolled ? static_cast<int>(m_registers.size()) : 0;
    s.pollsAnswered = m_pollsAnswered;
    s.pollsFailed = m_pollsFailed;
    s.lastPollFailure = m_lastPollFailure;
    for (const WatchedRegister& r : m_registers) {
        s.mismatches += r.mismatches;
        if (r.marked)
            ++s.mismatchesOpen;
    }
    return s;
}

} // namespace px::sim
