#include "core/exchange/capture_reader.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/lang/message_ids.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <unordered_map>

namespace px::exchange {
namespace {

constexpr qsizetype kChunkSize = 4 * 1024 * 1024;
constexpr qsizetype kMaxLineLength = 4096;
constexpr std::int64_t kProgressEveryLines = 1 << 14;
// Without a single frame among this many lines the file is taken for something else.
constexpr std::int64_t kLinesToRecognise = 1000;

enum class LineKind { Empty, Frame, Refused, Unrecognised };

struct ParsedLine {
    LineKind kind = LineKind::Empty;
    const char* reason = nullptr;
    std::uint32_t id = 0;
    bool extended = false;
    int length = 0;
    unsigned char data[8] = {};
    bool stamped = false;
    std::int64_t timeUs = 0;
    QByteArrayView interfaceName;
};

// A cursor over one line.
struct Cursor {
    const char* p;
    const char* end;

    bool atEnd() const { return p >= end; }
    void skipBlanks()
    {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r'))
            ++p;
    }
    // The next run of characters up to a blank.
    QByteArrayView word()
    {
        skipBlanks();
        const char* begin = p;
        while (p < end && *p != ' ' && *p != '\t' && *p != '\r')
            ++p;
        return QByteArrayView(begin, p - begin);
    }
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "1700000000.123456" into microseconds; digits after the sixth decimal are dropped.
bool parseSeconds(QByteArrayView text, std::int64_t& us)
{
    std::int64_t seconds = 0;
    qsizetype i = 0;
    int digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (++digits > 12)
            return false;
        seconds = seconds * 10 + (text[i] - '0');
    }
    if (digits == 0)
        return false;
    std::int64_t fraction = 0;
    int places = 0;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (places < 6) {
                fraction = fraction * 10 + (text[i] - '0');
                ++places;
            }
        }
    }
    if (i != text.size())
        return false;
    for (; places < 6; ++places)
        fraction *= 10;
    us = seconds * 1000000 + fraction;
    return true;
}

// "2023-11-14 22:13:20.123456" (candump -tA) into microseconds since 1970 (UTC taken).
bool parseDateTime(QByteArrayView text, std::int64_t& us)
{
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return false;
    const auto number = [&](int from, int count, int& out) {
        out = 0;
        for (int k = from; k < from + count; ++k) {
            if (text[k] < '0' || text[k] > '9')
                return false;
            out = out * 10 + (text[k] - '0');
        }
        return true;
    };
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!number(0, 4, year) || !number(5, 2, month) || !number(8, 2, day) || !number(11, 2, hour)
        || !number(14, 2, minute) || !number(17, 2, second) || month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    // Days from the civil date (proleptic Gregorian calendar).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
    std::int64_t fraction = 0;
    if (text.size() > 19) {
        if (text[19] != '.' || !parseSeconds(QByteArray("0") + text.sliced(19).toByteArray(), fraction))
            return false;
    }
    us = ((days * 24 + hour) * 60 + minute) * 60 * 1000000LL + second * 1000000LL + fraction;
    return true;
}

// An identifier of 1 to 3 hexadecimal digits (11 bits) or of 8 (29 bits). Returns the
// reason when the line is refused for it, or nullptr.
const char* parseIdentifier(QByteArrayView text, ParsedLine& out, bool& recognised)
{
    recognised = false;
    if (text.isEmpty() || (text.size() > 3 && text.size() != 8))
        return nullptr;
    std::uint32_t value = 0;
    for (char c : text) {
        const int h = hexValue(c);
        if (h < 0)
            return nullptr;
        value = value << 4 | static_cast<std::uint32_t>(h);
    }
    recognised = true;
    if (text.size() == 8) {
        if (value & 0x20000000u)
            return "error frame";
        if (value > kMaxExtendedId)
            return "identifier beyond 29 bits";
        out.extended = true;
    } else if (value > kMaxStandardId) {
        return "identifier beyond 11 bits";
    }
    out.id = value;
    return nullptr;
}

void refuse(ParsedLine& out, const char* reason)
{
    out.kind = LineKind::Refused;
    out.reason = reason;
}

// "181#1122334455667788", "181#R", "181##1..." of the log shape.
void parseLogFrame(QByteArrayView frame, ParsedLine& out)
{
    const qsizetype hash = frame.indexOf('#');
    bool recognised = false;
    const char* reason = parseIdentifier(frame.first(hash), out, recognised);
    if (!recognised) {
        out.kind = LineKind::Unrecognised;
        return;
    }
    QByteArrayView data = frame.sliced(hash + 1);
    if (data.startsWith('#'))
        return refuse(out, "CAN FD frame");
    if (data.startsWith('R') || data.startsWith('r'))
        return refuse(out, "remote request frame");
    if (reason)
        return refuse(out, reason);
    int length = 0;
    for (qsizetype i = 0; i < data.size();) {
        if (data[i] == '.') {
            ++i;
            continue;
        }
        const int hi = hexValue(data[i]);
        const int lo = i + 1 < data.size() ? hexValue(data[i + 1]) : -1;
        if (hi < 0 || lo < 0) {
            // "_<dlc>": a length code beyond the data, written by newer candump for 8 bytes.
            if (data[i] == '_')
                break;
            out.kind = LineKind::Unrecognised;
            return;
        }
        if (length == 8)
            return refuse(out, "more than 8 data bytes");
        out.data[length++] = static_cast<unsigned char>(hi << 4 | lo);
        i += 2;
    }
    out.length = length;
    out.kind = LineKind::Frame;
}

// "181   [8]  11 22 ..." of the screen shape, `c` standing after the interface name.
void parseScreenFrame(Cursor c, ParsedLine& out)
{
    QByteArrayView idText = c.word();
    QByteArrayView lengthText = c.word();
    // candump -x puts the direction and flags between interface and identifier.
    for (int extra = 0; extra < 4 && !lengthText.startsWith('[') && !lengthText.isEmpty(); ++extra) {
        idText = lengthText;
        lengthText = c.word();
    }
    if (lengthText.size() < 3 || !lengthText.startsWith('[') || !lengthText.endsWith(']')) {
        out.kind = LineKind::Unrecognised;
        return;
    }
    bool recognised = false;
    const char* reason = parseIdentifier(idText, out, recognised);
    if (!recognised) {
        out.kind = LineKind::Unrecognised;
        return;
    }
    const QByteArrayView digits = lengthText.sliced(1, lengthText.size() - 2);
    int length = 0;
    for (char d : digits) {
        if (d < '0' || d > '9') {
            out.kind = LineKind::Unrecognised;
            return;
        }
        length = length * 10 + (d - '0');
        if (length > 64)
            break;
    }
    if (digits.size() >= 2)
        return refuse(out, "CAN FD frame");
    const QByteArrayView firstData = c.word();
    if (firstData == "remote")
        return refuse(out, "remote request frame");
    if (reason)
        return refuse(out, reason);
    if (length > 8)
        return refuse(out, "more than 8 data bytes");
    QByteArrayView byteText = firstData;
    for (int i = 0; i < length; ++i) {
        if (i > 0)
            byteText = c.word();
        if (byteText.size() != 2 || hexValue(byteText[0]) < 0 || hexValue(byteText[1]) < 0) {
            out.kind = LineKind::Unrecognised;
            return;
        }
        out.data[i] = static_cast<unsigned char>(hexValue(byteText[0]) << 4 | hexValue(byteText[1]));
    }
    out.length = length;
    out.kind = LineKind::Frame;
}

ParsedLine parseLine(const char* begin, const char* end)
{
    ParsedLine out;
    Cursor c{begin, end};
    c.skipBlanks();
    if (c.atEnd())
        return out;
    if (*c.p == '(') {
        const char* close = static_cast<const char*>(std::memchr(c.p, ')', static_cast<size_t>(end - c.p)));
        if (!close) {
            out.kind = LineKind::Unrecognised;
            return out;
        }
        const QByteArrayView stamp(c.p + 1, close - c.p - 1);
        out.stamped = parseSeconds(stamp, out.timeUs) || parseDateTime(stamp, out.timeUs);
        if (!out.stamped) {
            out.kind = LineKind::Unrecognised;
            return out;
        }
        c.p = close + 1;
    }
    out.interfaceName = c.word();
    if (out.interfaceName.isEmpty()) {
        out.kind = LineKind::Unrecognised;
        return out;
    }
    Cursor rest = c;
    const QByteArrayView next = rest.word();
    const qsizetype hash = next.indexOf('#');
    if (hash >= 0) {
        parseLogFrame(next, out);
        return out;
    }
    parseScreenFrame(c, out);
    return out;
}

struct IdentifierStats {
    CapturedFrame frame;
    std::int64_t firstTimeUs = 0;
    std::int64_t lastTimeUs = 0;
    std::int64_t stampedCount = 0;
};

class CaptureCollector {
public:
    explicit CaptureCollector(const QString& name) : m_name(name) {}

    void line(const char* begin, const char* end, bool tooLong)
    {
        ++m_summary.lines;
        if (tooLong) {
            refuse(QStringLiteral("line longer than %1 characters").arg(kMaxLineLength));
            if (m_summary.framesRead == 0) {
                if (m_firstUnrecognisedLine == 0)
                    m_firstUnrecognisedLine = m_summary.lines;
                ++m_unrecognisedBeforeFrame;
            }
            return;
        }
        const ParsedLine p = parseLine(begin, end);
        switch (p.kind) {
        case LineKind::Empty:
            return;
        case LineKind::Refused:
            ++m_refusedFrames;
            refuse(QString::fromLatin1(p.reason));
            return;
        case LineKind::Unrecognised:
            if (m_summary.framesRead == 0) {
                if (m_firstUnrecognisedLine == 0)
                    m_firstUnrecognisedLine = m_summary.lines;
                ++m_unrecognisedBeforeFrame;
            }
            refuse(QStringLiteral("not a candump line"));
            return;
        case LineKind::Frame:
            frame(p);
            return;
        }
    }

    // Throws when the file is plainly no capture: not one line of it is a frame or a
    // refused frame of a kind candump writes.
    void checkRecognised() const
    {
        if (m_summary.framesRead == 0 && m_refusedFrames == 0 && m_unrecognisedBeforeFrame > 0)
            notACapture();
    }
    bool hopeless() const
    {
        return m_summary.framesRead == 0 && m_refusedFrames == 0 && m_unrecognisedBeforeFrame >= kLinesToRecognise;
    }

    [[noreturn]] void notACapture() const
    {
        throw Error(msg::kNotACaptureLine, {m_name, std::max<std::int64_t>(m_firstUnrecognisedLine, 1)});
    }

    CaptureSummary finish()
    {
        for (IdentifierStats& s : m_stats) {
            if (m_timesRunForward && s.stampedCount >= 2 && s.stampedCount == s.frame.count)
                s.frame.meanPeriodMs = double(s.lastTimeUs - s.firstTimeUs) / double(s.stampedCount - 1) / 1000.0;
            m_summary.frames.push_back(std::move(s.frame));
        }
        m_stats.clear();
        return std::move(m_summary);
    }

private:
    void refuse(const QString& reason)
    {
        ++m_summary.refusedCount;
        if (m_summary.refused.size() < static_cast<size_t>(CaptureSummary::kMaxRefusedKept))
            m_summary.refused.push_back(RefusedLine{m_summary.lines, reason});
    }

    void frame(const ParsedLine& p)
    {
        ++m_summary.framesRead;
        const std::uint64_t key = std::uint64_t(p.id) | (p.extended ? (1ull << 32) : 0);
        std::size_t index;
        if (m_lastKey == key && !m_stats.empty()) {
            index = m_lastIndex;
        } else {
            const auto [it, inserted] = m_index.try_emplace(key, m_stats.size());
            if (inserted) {
                IdentifierStats s;
                s.frame.id = p.id;
                s.frame.extended = p.extended;
                s.frame.firstData = QByteArray(reinterpret_cast<const char*>(p.data), p.length);
                s.frame.interfaceName = QString::fromLatin1(p.interfaceName.data(), p.interfaceName.size());
                s.frame.firstLine = m_summary.lines;
                m_stats.push_back(std::move(s));
            }
            index = it->second;
            m_lastKey = key;
            m_lastIndex = index;
        }
        IdentifierStats& s = m_stats[index];
        ++s.frame.count;
        s.frame.maxLength = std::max(s.frame.maxLength, p.length);
        if (p.stamped) {
            if (m_anyStamp && p.timeUs < m_lastTimeUs)
                m_timesRunForward = false;
            m_anyStamp = true;
            m_lastTimeUs = p.timeUs;
            if (s.stampedCount++ == 0)
                s.firstTimeUs = p.timeUs;
            s.lastTimeUs = p.timeUs;
        }
    }

    QString m_name;
    CaptureSummary m_summary;
    std::vector<IdentifierStats> m_stats;
    std::unordered_map<std::uint64_t, std::size_t> m_index;
    std::uint64_t m_lastKey = ~0ull;
    std::size_t m_lastIndex = 0;
    std::int64_t m_unrecognisedBeforeFrame = 0;
    std::int64_t m_refusedFrames = 0;
    std::int64_t m_firstUnrecognisedLine = 0;
    bool m_anyStamp = false;
    bool m_timesRunForward = true;
    std::int64_t m_lastTimeUs = 0;
};

} // namespace

std::optional<CaptureSummary> readCapture(QIODevice& device, const QString& name, const CaptureProgress& progress)
{
    CaptureCollector collector(name);
    const qint64 total = device.isSequential() ? 0 : device.size();
    qint64 consumed = 0;
    QByteArray buffer;       // the part of a line that a chunk ended in
    bool skippingLongLine = false;
    bool first = true;
    std::int64_t sinceProgress = 0;
    for (;;) {
        // A read of the whole chunk size would allocate it even for a short capture.
        const qint64 available = device.bytesAvailable();
        QByteArray chunk = device.read(available > 0 ? std::min<qint64>(available, kChunkSize) : kChunkSize);
        if (chunk.isEmpty()) {
            if (device.atEnd() || !device.isReadable() || device.isSequential())
                break;
            throw Error(msg::kCannotReadFile, {name, device.errorString()});
        }
        if (first) {
            first = false;
            if (chunk.left(4096).contains('\0'))
                throw Error(msg::kCaptureIsBinary, {name});
        }
        consumed += chunk.size();
        if (!buffer.isEmpty()) {
            buffer += chunk;
            chunk = std::move(buffer);
            buffer.clear();
        }
        const char* p = chunk.constData();
        const char* end = p + chunk.size();
        for (;;) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            if (!nl) {
                if (end - p > kMaxLineLength) {
                    // A line without end that no capture writes: refused once its end comes.
                    skippingLongLine = true;
                } else if (!skippingLongLine) {
                    buffer = QByteArray(p, end - p);
                }
                break;
            }
            if (skippingLongLine || nl - p > kMaxLineLength) {
                collector.line(p, nl, true);
                skippingLongLine = false;
            } else {
                collector.line(p, nl, false);
            }
            p = nl + 1;
            if (++sinceProgress >= kProgressEveryLines) {
                sinceProgress = 0;
                if (collector.hopeless())
                    collector.notACapture();
                if (progress && !progress(consumed - (end - p), total))
                    return std::nullopt;
            }
        }
    }
    if (skippingLongLine)
        collector.line(nullptr, nullptr, true);
    else if (!buffer.isEmpty())
        collector.line(buffer.constData(), buffer.constData() + buffer.size(), false);
    collector.checkRecognised();
    if (progress && !progress(consumed, total))
        return std::nullopt;
    return collector.finish();
}

std::optional<CaptureSummary> readCaptureFile(const QString& path, const CaptureProgress& progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(msg::kCannotReadFile, {displayPath(path), file.errorString()});
    return readCapture(file, QFileInfo(path).fileName(), progress);
}

CaptureSummary readCapture(const QByteArray& bytes, const QString& name)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return *readCapture(buffer, name, {});
}

} // namespace px::exchange
