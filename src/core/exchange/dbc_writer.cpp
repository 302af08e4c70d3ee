#include "core/exchange/dbc_writer.h"

#include "core/exchange/can_database.h"

#include <QSet>

namespace px::exchange {
namespace {

constexpr int kMaxNameLength = 32;

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\';
        out += (c.unicode() < 0x20) ? QChar(u' ') : c;
    }
    out += u'"';
    return out;
}

// `base`, or `base_2`, `base_3` ... cut so that the whole stays a valid name.
QString unique(const QString& base, QSet<QString>& taken)
{
    QString name = base;
    for (int n = 2; taken.contains(name); ++n) {
        const QString suffix = QStringLiteral("_%1").arg(n);
        name = base.left(kMaxNameLength - suffix.size()) + suffix;
    }
    taken.insert(name);
    return name;
}

struct SignalLine {
    QString name;
    int startBit = 0;
    int length = 8;
    bool motorola = false;
    int registerIndex = 0;
    QString part;
};

std::vector<SignalLine> signalLines(const ExportFrame& frame, const QString& frameName, QStringList& notes)
{
    std::vector<SignalLine> out;
    QSet<QString> taken;
    const auto inFrame = [&](int byte) { return byte >= 1 && byte <= frame.length && byte <= 8; };
    for (const ExportEntry& e : frame.entries) {
        const QString r = QStringLiteral("R%1").arg(e.registerIndex);
        for (int byte : {e.highByte, e.lowByte}) {
            if (byte != 0 && !inFrame(byte)) {
                notes << QStringLiteral("%1: register %2 names data byte %3 of a %4-byte frame; that part is left out")
                             .arg(frameName)
                             .arg(e.registerIndex)
                             .arg(byte)
                             .arg(frame.length);
            }
        }
        const bool hi = inFrame(e.highByte);
        const bool lo = inFrame(e.lowByte);
        if (hi && lo && e.highByte + 1 == e.lowByte) {
            out.push_back({unique(r, taken), (e.highByte - 1) * 8 + 7, 16, true, e.registerIndex, QStringLiteral("")});
            continue;
        }
        if (hi && lo && e.lowByte + 1 == e.highByte) {
            out.push_back({unique(r, taken), (e.lowByte - 1) * 8, 16, false, e.registerIndex, QStringLiteral("")});
            continue;
        }
        if (hi)
            out.push_back({unique(r + QStringLiteral("_HI"), taken), (e.highByte - 1) * 8, 8, false, e.registerIndex, QStringLiteral(" high part")});
        if (lo)
            out.push_back({unique(r + QStringLiteral("_LO"), taken), (e.lowByte - 1) * 8, 8, false, e.registerIndex, QStringLiteral(" low part")});
    }
    return out;
}

} // namespace

QString dbcName(const QString& mnemonic, const QString& fallback)
{
    QString out;
    bool lastUnderscore = true;   // no leading '_' from blanks
    for (const QChar c : mnemonic) {
        const char16_t u = c.unicode();
        const bool keep = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_';
        if (keep) {
            out += c;
            lastUnderscore = u == u'_';
        } else if (!lastUnderscore) {
            out += u'_';
            lastUnderscore = true;
        }
    }
    while (out.endsWith(u'_'))
        out.chop(1);
    if (out.isEmpty())
        return fallback;
    if (out[0].isDigit())
        out.prepend(QStringLiteral("F_"));
    out.truncate(kMaxNameLength);
    while (out.endsWith(u'_'))
        out.chop(1);
    return out;
}

DbcText writeDbc(const ExportNetwork& network)
{
    DbcText result;
    QString t;
    t += QStringLiteral("VERSION \"\"\n\n\n");
    t += QStringLiteral("NS_ :\n");
    for (const char* ns : {"NS_DESC_", "CM_", "BA_DEF_", "BA_", "VAL_", "CAT_DEF_", "CAT_", "FILTER", "BA_DEF_DEF_",
                           "EV_DATA_", "ENVVAR_DATA_", "SGTYPE_", "SGTYPE_VAL_", "BA_DEF_SGTYPE_", "BA_SGTYPE_",
                           "SIG_TYPE_REF_", "VAL_TABLE_", "SIG_GROUP_", "SIG_VALTYPE_", "SIGTYPE_VALTYPE_",
                           "BO_TX_BU_", "BA_DEF_REL_", "BA_REL_", "BA_DEF_DEF_REL_", "BU_SG_REL_", "BU_EV_REL_",
                           "BU_BO_REL_", "SG_MUL_VAL_"})
        t += QStringLiteral("\t%1\n").arg(QLatin1StringView(ns));
    t += QStringLiteral("\nBS_:\n\n");
    t += QStringLiteral("BU_: %1 %2\n\n\n").arg(kConverterNode, kBusNode);

    struct Written {
        std::uint32_t dbcId;
        QString name;
        const ExportFrame* frame;
        std::vector<SignalLine> lines;
    };
    std::vector<Written> written;
    QSet<QString> names;
    const auto writeFrame = [&](const ExportFrame& f, bool transmit) {
        const std::uint32_t dbcId = f.extended ? (f.id | 0x80000000u) : f.id;
        const QString fallback = QStringLiteral("%1_%2").arg(transmit ? QStringLiteral("TX") : QStringLiteral("RX"),
                                                             QString::number(f.id, 16).toUpper());
        const QString name = unique(dbcName(f.mnemonic, fallback), names);
        const QString sender = transmit ? kConverterNode : kBusNode;
        const QString receiver = transmit ? kBusNode : kConverterNode;
        Written w{dbcId, name, &f, signalLines(f, name, result.notes)};
        t += QStringLiteral("BO_ %1 %2: %3 %4\n").arg(dbcId).arg(name).arg(f.length).arg(sender);
        for (const SignalLine& s : w.lines) {
            t += QStringLiteral(" SG_ %1 : %2|%3@%4+ (1,0) [0|%5] \"\" %6\n")
                     .arg(s.name)
                     .arg(s.startBit)
                     .arg(s.length)
                     .arg(s.motorola ? 0 : 1)
                     .arg(s.length == 16 ? 65535 : 255)
                     .arg(receiver);
        }
        t += u'\n';
        written.push_back(std::move(w));
    };
    for (const ExportFrame& f : network.receive)
        writeFrame(f, false);
    for (const ExportFrame& f : network.transmit)
        writeFrame(f, true);

    t += u'\n';
    for (const Written& w : written) {
        if (!w.frame->mnemonic.isEmpty())
            t += QStringLiteral("CM_ BO_ %1 %2;\n").arg(w.dbcId).arg(quoted(w.frame->mnemonic));
        for (const SignalLine& s : w.lines) {
            t += QStringLiteral("CM_ SG_ %1 %2 %3;\n")
                     .arg(w.dbcId)
                     .arg(s.name, quoted(QStringLiteral("Modbus register %1%2").arg(s.registerIndex).arg(s.part)));
        }
    }
    t += QStringLiteral("BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 100000000;\n");
    t += QStringLiteral("BA_DEF_DEF_ \"GenMsgCycleTime\" 0;\n");
    for (const Written& w : written) {
        if (w.frame->cycleTimeMs && *w.frame->cycleTimeMs > 0)
            t += QStringLiteral("BA_ \"GenMsgCycleTime\" BO_ %1 %2;\n").arg(w.dbcId).arg(*w.frame->cycleTimeMs);
    }
    result.bytes = t.toLatin1();
    return result;
}

} // namespace px::exchange
