#include "core/sim/monitor_export.h"

#include "core/lang/message_ids.h"
#include "core/lang/message_table.h"
#include "core/sim/event_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace px::sim {
namespace {

qint64 micros(const QDateTime& start, Millis time)
{
    return (start.toMSecsSinceEpoch() + time) * 1000;
}

QString percentText(double percent)
{
    return QString::number(percent, 'f', 1);
}

QString esc(const QString& s)
{
    return s.toHtmlEscaped();
}

QString headerRow(const QStringList& labels)
{
    QString out = QStringLiteral("<tr>");
    for (const QString& l : labels)
        out += QStringLiteral("<th>%1</th>").arg(esc(l));
    return out + QStringLiteral("</tr>\n");
}

QString row(const QStringList& cells)
{
    QString out = QStringLiteral("<tr>");
    for (const QString& c : cells)
        out += QStringLiteral("<td>%1</td>").arg(esc(c));
    return out + QStringLiteral("</tr>\n");
}

QString periodText(std::optional<double> period)
{
    return period ? QString::number(*period, 'f', 1) : QString();
}

} // namespace

QString clockText(const QDateTime& start, Millis time)
{
    return start.addMSecs(time).toString(QStringLiteral("HH:mm:ss.zzz"));
}

QByteArray candumpLog(const Monitor& monitor, const QDateTime& start, const QString& interfaceName)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(monitor.recordedFrames().size()) * 48);
    for (const SeenFrame& f : monitor.recordedFrames())
        out += candumpLine(f.frame, micros(start, f.time), interfaceName).toLatin1() + '\n';
    return out;
}

QByteArray pollsCsv(const Monitor& monitor, const QDateTime& start)
{
    QByteArray out = "time,register,device,expected,agrees\n";
    out.reserve(static_cast<qsizetype>(monitor.recordedPolls().size()) * 40 + out.size());
    for (const PollRecord& p : monitor.recordedPolls()) {
        const char* agrees = !p.compared ? "not compared" : p.device == p.expected ? "yes" : "no";
        out += start.addMSecs(p.time).toString(Qt::ISODateWithMs).toLatin1() + ',' + QByteArray::number(p.reg) + ','
               + QByteArray::number(p.device) + ',' + QByteArray::number(p.expected) + ',' + agrees + '\n';
    }
    return out;
}

QByteArray summaryJson(const Monitor& monitor, Millis now, const QDateTime& start)
{
    const MonitorSummary s = monitor.summary(now);
    QJsonObject o;
    o[QStringLiteral("passed")] = s.passed();
    o[QStringLiteral("start")] = start.addMSecs(monitor.start()).toString(Qt::ISODateWithMs);
    o[QStringLiteral("durationMs")] = static_cast<double>(s.duration);
    o[QStringLiteral("framesSeen")] = static_cast<double>(s.framesSeen);
    o[QStringLiteral("configuredFrames")] = s.configuredFrames;
    o[QStringLiteral("configuredFramesSeen")] = s.configuredFramesSeen;
    o[QStringLiteral("expectedFrames")] = s.expectedFrames;
    o[QStringLiteral("expectedFramesSeen")] = s.expectedFramesSeen;
    o[QStringLiteral("neverSeen")] = QJsonArray::fromStringList(s.neverSeen);
    o[QStringLiteral("unknownIdentifiers")] = s.unknownIdentifiers;
    o[QStringLiteral("unknownFrames")] = static_cast<double>(s.unknownFrames);
    o[QStringLiteral("remoteFrames")] = static_cast<double>(s.remoteFrames);
    o[QStringLiteral("errorFrames")] = static_cast<double>(s.errorFrames);
    o[QStringLiteral("timeOuts")] = static_cast<double>(s.timeOuts);
    o[QStringLiteral("wrongLength")] = static_cast<double>(s.wrongLength);
    o[QStringLiteral("busLoadPercent")] = s.busLoadPercent;
    o[QStringLiteral("estimatedBusLoadPercent")] = s.estimatedBusLoadPercent;
    o[QStringLiteral("devicePolled")] = s.devicePolled;
    o[QStringLiteral("registersPolled")] = s.registersPolled;
    o[QStringLiteral("pollsAnswered")] = static_cast<double>(s.pollsAnswered);
    o[QStringLiteral("pollsFailed")] = static_cast<double>(s.pollsFailed);
    if (!s.lastPollFailure.isEmpty())
        o[QStringLiteral("lastPollFailure")] = s.lastPollFailure;
    o[QStringLiteral("mismatches")] = s.mismatches;
    o[QStringLiteral("mismatchesOpen")] = s.mismatchesOpen;

    QJsonArray frames;
    for (const WatchedFrame& w : monitor.frames()) {
        QJsonObject f;
        f[QStringLiteral("frame")] = frameRefText(w.ref);
        f[QStringLiteral("identifier")] = identifierText(w.configured);
        f[QStringLiteral("mnemonic")] = w.mnemonic;
        f[QStringLiteral("expected")] = w.expected;
        f[QStringLiteral("seen")] = static_cast<double>(w.seen);
        f[QStringLiteral("remoteSeen")] = static_cast<double>(w.remoteSeen);
        if (const std::optional<double> mean = w.meanPeriod()) {
            f[QStringLiteral("meanPeriodMs")] = *mean;
            f[QStringLiteral("shortestPeriodMs")] = static_cast<double>(w.shortestGap);
            f[QStringLiteral("longestPeriodMs")] = static_cast<double>(w.longestGap);
        }
        f[QStringLiteral("configuredLength")] = w.configured.length;
        if (w.seen > 0) {
            f[QStringLiteral("lastLength")] = w.lastData.length;
            f[QStringLiteral("sinceLastMs")] = static_cast<double>(now - w.lastSeen);
            f[QStringLiteral("lastData")] = dataText(w.lastData);
        }
        f[QStringLiteral("wrongLength")] = static_cast<double>(w.wrongLength);
        if (w.timeout != 0) {
            f[QStringLiteral("timeOutMs")] = static_cast<double>(w.timeout);
            f[QStringLiteral("timeOuts")] = static_cast<double>(w.timeOuts(now));
        }
        frames.append(f);
    }
    o[QStringLiteral("frames")] = frames;

    QJsonArray unknown;
    const double seconds = std::max<double>(static_cast<double>(s.duration) / 1000.0, 0.001);
    for (const UnknownIdentifier& u : monitor.unknownIdentifiers()) {
        CanFrame f;
        f.id = u.id;
        f.extended = u.extended;
        QJsonObject j;
        j[QStringLiteral("identifier")] = identifierText(f);
        j[QStringLiteral("count")] = static_cast<double>(u.count);
        j[QStringLiteral("perSecond")] = static_cast<double>(u.count) / seconds;
        unknown.append(j);
    }
    o[QStringLiteral("unknown")] = unknown;

    QJsonArray mismatches;
    for (const WatchedRegister& r : monitor.registers()) {
        if (r.mismatches == 0)
            continue;
        QJsonObject j;
        j[QStringLiteral("register")] = r.reg;
        j[QStringLiteral("device")] = r.device ? QJsonValue(*r.device) : QJsonValue();
        j[QStringLiteral("expected")] = r.expected;
        j[QStringLiteral("open")] = r.marked;
        j[QStringLiteral("count")] = r.mismatches;
        j[QStringLiteral("began")] = start.addMSecs(*r.lastMismatchBegan).toString(Qt::ISODateWithMs);
        mismatches.append(j);
    }
    o[QStringLiteral("mismatchingRegisters")] = mismatches;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString summaryLine(const MonitorSummary& s, const MessageTable& m)
{
    QString line = m[msg::kMonitorSummaryLine]
                       .arg(s.expectedFramesSeen)
                       .arg(s.expectedFrames)
                       .arg(s.unknownIdentifiers)
                       .arg(percentText(s.busLoadPercent), percentText(s.estimatedBusLoadPercent));
    if (s.devicePolled)
        line += m[msg::kMonitorSummaryDevice].arg(s.mismatches).arg(s.mismatchesOpen).arg(s.pollsFailed);
    return line;
}

QString summaryHtml(const Monitor& monitor, Millis now, const QDateTime& start, const QString& configurationName,
                    const MessageTable& m)
{
    const MonitorSummary s = monitor.summary(now);
    QString out = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>\n")
                      .arg(esc(m[msg::kMonitorReportTitle].arg(configurationName)));
    out += QStringLiteral("<h1>%1</h1>\n").arg(esc(m[msg::kMonitorReportTitle].arg(configurationName)));
    out += QStringLiteral("<p>%1</p>\n")
               .arg(esc(m[msg::kMonitorReportPeriod].arg(start.addMSecs(monitor.start()).toString(Qt::ISODate),
                                                         start.addMSecs(now).toString(Qt::ISODate))));
    out += QStringLiteral("<p><b>%1</b></p>\n").arg(esc(summaryLine(s, m)));
    out += QStringLiteral("<p>%1</p>\n").arg(esc(m[s.passed() ? msg::kMonitorPassed : msg::kMonitorNotPassed]));

    out += QStringLiteral("<h2>%1</h2>\n<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n").arg(esc(m[msg::kMonitorFrames]));
    out += headerRow({m[msg::kMonitorColumnFrame], m[msg::kMonitorColumnSeen], m[msg::kMonitorColumnMeanPeriod],
                      m[msg::kMonitorColumnShortest], m[msg::kMonitorColumnLongest], m[msg::kMonitorColumnLength],
                      m[msg::kMonitorColumnSinceLast], m[msg::kMonitorColumnTimeOuts], m[msg::kMonitorColumnLastData]});
    for (const WatchedFrame& w : monitor.frames()) {
        const bool periods = w.seen >= 2;
        out += row({monitor.frameLabel(w.ref), QString::number(w.seen), periodText(w.meanPeriod()),
                    periods ? QString::number(w.shortestGap) : QString(), periods ? QString::number(w.longestGap) : QString(),
                    w.seen > 0 ? QStringLiteral("%1 / %2").arg(w.lastData.length).arg(w.configured.length)
                               : QStringLiteral("- / %1").arg(w.configured.length),
                    w.seen > 0 ? QString::number(now - w.lastSeen) : QString(),
                    w.timeout != 0 ? QString::number(w.timeOuts(now)) : QString(), w.seen > 0 ? dataText(w.lastData) : QString()});
    }
    out += QStringLiteral("</table>\n");

    const std::vector<UnknownIdentifier> unknown = monitor.unknownIdentifiers();
    if (!unknown.empty()) {
        out += QStringLiteral("<h2>%1</h2>\n<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n").arg(esc(m[msg::kMonitorUnknown]));
        out += headerRow({m[msg::kMonitorColumnIdentifier], m[msg::kMonitorColumnSeen], m[msg::kMonitorColumnRate]});
        const double seconds = std::max<double>(static_cast<double>(s.duration) / 1000.0, 0.001);
        for (const UnknownIdentifier& u : unknown) {
            CanFrame f;
            f.id = u.id;
            f.extended = u.extended;
            out += row({identifierText(f), QString::number(u.count), QString::number(static_cast<double>(u.count) / seconds, 'f', 1)});
        }
        out += QStringLiteral("</table>\n");
    }

    if (s.devicePolled) {
        out += QStringLiteral("<h2>%1</h2>\n<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n").arg(esc(m[msg::kMonitorMismatching]));
        out += headerRow({m[msg::kMonitorColumnRegister], m[msg::kMonitorColumnDevice], m[msg::kMonitorColumnExpected],
                          m[msg::kMonitorColumnSource], m[msg::kMonitorColumnMismatches], m[msg::kMonitorColumnBegan]});
        for (const WatchedRegister& r : monitor.registers()) {
            if (r.mismatches == 0)
                continue;
            out += row({QString::number(r.reg), r.device ? QString::number(*r.device) : QString(), QString::number(r.expected),
                        r.source, QString::number(r.mismatches), clockText(start, *r.lastMismatchBegan)});
        }
        out += QStringLiteral("</table>\n");
    }
    return out + QStringLiteral("</body></html>\n");
}

} // namespace px::sim
