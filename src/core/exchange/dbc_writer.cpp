#include "core/exchange/dbc_writer.h"

#include "core/exchange/can_database.h"
#include "core/exchange/import_plan.h"

#include <QSet>

#include <algorithm>
#include <map>

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
    const config::RegisterSignal* known = nullptr;   // a signal of the signal file, written as it is
    std::optional<int> lowWordRegister;              // its low word's register, for a 32-bit one
    std::optional<bool> sendOnWrite;
};

// The signal a known register's data describe, as the import places it.
CanSignal canSignalOf(const config::RegisterSignal& r)
{
    CanSignal c;
    c.name = r.name;
    c.startBit = r.startBit;
    c.length = r.length;
    c.motorola = r.motorola;
    return c;
}

bool sameBytes(const RegisterBytes& placed, const ExportEntry& e)
{
    return placed.highByte == e.highByte && placed.lowByte == e.lowByte;
}

std::vector<SignalLine> signalLines(const ExportFrame& frame, const QString& frameName, QStringList& notes)
{
    std::vector<SignalLine> out;
    QSet<QString> taken;
    const auto inFrame = [&](int byte) { return byte >= 1 && byte <= frame.length && byte <= 8; };
    const size_t count = frame.entries.size();
    // A known signal is written as itself when the register(s) still hold the bytes the
    // signal takes; the low word of a 32-bit signal is found by its name.
    std::vector<int> partner(count, -1);      // high word -> low word entry
    std::vector<bool> written(count, false);
    std::vector<bool> asKnown(count, false);
    for (size_t i = 0; i < count; ++i) {
        const ExportEntry& e = frame.entries[i];
        if (!e.signal || e.signal->length <= 0 || e.signal->name.isEmpty())
            continue;
        const SignalPlacement placed = placeSignal(canSignalOf(*e.signal), frame.length);
        if (e.signal->word == config::WordPart::Whole) {
            asKnown[i] = placed.registers.size() == 1 && sameBytes(placed.registers[0], e);
        } else if (e.signal->word == config::WordPart::HighWord && placed.registers.size() == 2
                   && sameBytes(placed.registers[0], e)) {
            for (size_t j = 0; j < count; ++j) {
                const ExportEntry& low = frame.entries[j];
                if (j != i && !asKnown[j] && low.signal && low.signal->word == config::WordPart::LowWord
                    && low.signal->name == e.signal->name && sameBytes(placed.registers[1], low)) {
                    partner[i] = static_cast<int>(j);
                    asKnown[i] = true;
                    asKnown[j] = true;
                    break;
                }
            }
        }
    }
    for (size_t i = 0; i < count; ++i) {
        if (written[i])
            continue;
        const ExportEntry& e = frame.entries[i];
        if (asKnown[i] && e.signal->word != config::WordPart::LowWord) {
            const config::RegisterSignal& k = *e.signal;
            SignalLine line{unique(dbcName(k.name, QStringLiteral("R%1").arg(e.registerIndex)), taken), k.startBit, k.length,
                            k.motorola, e.registerIndex, QString(), &k, std::nullopt, e.sendOnWrite};
            if (partner[i] >= 0) {
                line.lowWordRegister = frame.entries[static_cast<size_t>(partner[i])].registerIndex;
                written[static_cast<size_t>(partner[i])] = true;
            }
            written[i] = true;
            out.push_back(std::move(line));
            continue;
        }
        if (asKnown[i])
            continue;   // a low word, written with its high word
        written[i] = true;
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
            out.push_back({unique(r, taken), (e.highByte - 1) * 8 + 7, 16, true, e.registerIndex, QString(), nullptr, std::nullopt, e.sendOnWrite});
            continue;
        }
        if (hi && lo && e.lowByte + 1 == e.highByte) {
            out.push_back({unique(r, taken), (e.lowByte - 1) * 8, 16, false, e.registerIndex, QString(), nullptr, std::nullopt, e.sendOnWrite});
            continue;
        }
        if (hi)
            out.push_back({unique(r + QStringLiteral("_HI"), taken), (e.highByte - 1) * 8, 8, false, e.registerIndex,
                           QStringLiteral(" high part"), nullptr, std::nullopt, e.sendOnWrite});
        if (lo)
            out.push_back({unique(r + QStringLiteral("_LO"), taken), (e.lowByte - 1) * 8, 8, false, e.registerIndex,
                           QStringLiteral(" low part"), nullptr, std::nullopt, e.sendOnWrite});
    }
    return out;
}

// A number as a DBC file writes it: shortest exact form.
QString real(double v)
{
    return QString::number(v, 'g', 17);
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
        ExportFrame frame;            // with the entries of frames merged into it
        bool transmit = false;
        std::vector<SignalLine> lines;
    };
    // One message per identifier: a frame whose identifier (in the same format) came
    // before is merged into the first, in either direction.
    std::vector<Written> written;
    std::map<std::uint32_t, size_t> byId;
    const auto take = [&](const ExportFrame& f, bool transmit) {
        const std::uint32_t dbcId = f.extended ? (f.id | 0x80000000u) : f.id;
        if (const auto there = byId.find(dbcId); there != byId.end()) {
            Written& first = written[there->second];
            result.notes << QStringLiteral("%1 frame %2 (%3): its identifier is written once, with the %4 frame %5")
                                .arg(transmit ? QStringLiteral("transmit") : QStringLiteral("receive"))
                                .arg(QStringLiteral("0x") + QString::number(f.id, 16).toUpper(), f.mnemonic)
                                .arg(first.transmit ? QStringLiteral("transmit") : QStringLiteral("receive"), first.frame.mnemonic);
            first.frame.entries.insert(first.frame.entries.end(), f.entries.begin(), f.entries.end());
            first.frame.length = std::max(first.frame.length, f.length);
            return;
        }
        byId.emplace(dbcId, written.size());
        written.push_back({dbcId, QString(), f, transmit, {}});
    };
    for (const ExportFrame& f : network.receive)
        take(f, false);
    for (const ExportFrame& f : network.transmit)
        take(f, true);

    QSet<QString> names;
    for (Written& w : written) {
        const ExportFrame& f = w.frame;
        const QString fallback = QStringLiteral("%1_%2").arg(w.transmit ? QStringLiteral("TX") : QStringLiteral("RX"),
                                                             QString::number(f.id, 16).toUpper());
        w.name = unique(dbcName(f.mnemonic, fallback), names);
        w.lines = signalLines(f, w.name, result.notes);
        const QString sender = w.transmit ? kConverterNode : kBusNode;
        const QString receiver = w.transmit ? kBusNode : kConverterNode;
        t += QStringLiteral("BO_ %1 %2: %3 %4\n").arg(w.dbcId).arg(w.name).arg(f.length).arg(sender);
        for (const SignalLine& s : w.lines) {
            if (s.known) {
                const config::RegisterSignal& k = *s.known;
                t += QStringLiteral(" SG_ %1 : %2|%3@%4%5 (%6,%7) [%8|%9] %10 %11\n")
                         .arg(s.name)
                         .arg(s.startBit)
                         .arg(s.length)
                         .arg(s.motorola ? 0 : 1)
                         .arg(QChar(k.isSigned ? u'-' : u'+'))
                         .arg(real(k.factor), real(k.offset), real(k.minimum), real(k.maximum), quoted(k.unit))
                         .arg(receiver);
                continue;
            }
            t += QStringLiteral(" SG_ %1 : %2|%3@%4+ (1,0) [0|%5] \"\" %6\n")
                     .arg(s.name)
                     .arg(s.startBit)
                     .arg(s.length)
                     .arg(s.motorola ? 0 : 1)
                     .arg(s.length == 16 ? 65535 : 255)
                     .arg(receiver);
        }
        t += u'\n';
    }

    t += u'\n';
    for (const Written& w : written) {
        if (!w.frame.mnemonic.isEmpty())
            t += QStringLiteral("CM_ BO_ %1 %2;\n").arg(w.dbcId).arg(quoted(w.frame.mnemonic));
        for (const SignalLine& s : w.lines) {
            const QString comment = s.known ? s.known->comment
                                            : QStringLiteral("Modbus register %1%2").arg(s.registerIndex).arg(s.part);
            if (!comment.isEmpty())
                t += QStringLiteral("CM_ SG_ %1 %2 %3;\n").arg(w.dbcId).arg(s.name, quoted(comment));
        }
    }
    t += QStringLiteral("BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 100000000;\n");
    t += QStringLiteral("BA_DEF_ BO_ \"ConverterTimeOut\" INT 0 100000000;\n");
    t += QStringLiteral("BA_DEF_ BO_ \"ConverterMnemonic\" STRING ;\n");
    t += QStringLiteral("BA_DEF_ SG_ \"ConverterRegister\" INT 0 65535;\n");
    t += QStringLiteral("BA_DEF_ SG_ \"ConverterLowWordRegister\" INT 0 65535;\n");
    t += QStringLiteral("BA_DEF_ SG_ \"ConverterSendOnWrite\" INT 0 1;\n");
    t += QStringLiteral("BA_DEF_DEF_ \"GenMsgCycleTime\" 0;\n");
    t += QStringLiteral("BA_DEF_DEF_ \"ConverterTimeOut\" 0;\n");
    t += QStringLiteral("BA_DEF_DEF_ \"ConverterMnemonic\" \"\";\n");
    t += QStringLiteral("BA_DEF_DEF_ \"ConverterRegister\" 0;\n");
    t += QStringLiteral("BA_DEF_DEF_ \"ConverterLowWordRegister\" 0;\n");
    t += QStringLiteral("BA_DEF_DEF_ \"ConverterSendOnWrite\" 0;\n");
    for (const Written& w : written) {
        const ExportFrame& f = w.frame;
        if (f.cycleTimeMs && *f.cycleTimeMs > 0)
            t += QStringLiteral("BA_ \"GenMsgCycleTime\" BO_ %1 %2;\n").arg(w.dbcId).arg(*f.cycleTimeMs);
        if (f.timeOutMs)
            t += QStringLiteral("BA_ \"ConverterTimeOut\" BO_ %1 %2;\n").arg(w.dbcId).arg(*f.timeOutMs);
        if (!f.mnemonic.isEmpty() && f.mnemonic != w.name)
            t += QStringLiteral("BA_ \"ConverterMnemonic\" BO_ %1 %2;\n").arg(w.dbcId).arg(quoted(f.mnemonic));
        for (const SignalLine& s : w.lines) {
            if (s.known)
                t += QStringLiteral("BA_ \"ConverterRegister\" SG_ %1 %2 %3;\n").arg(w.dbcId).arg(s.name).arg(s.registerIndex);
            if (s.lowWordRegister)
                t += QStringLiteral("BA_ \"ConverterLowWordRegister\" SG_ %1 %2 %3;\n").arg(w.dbcId).arg(s.name).arg(*s.lowWordRegister);
            if (s.sendOnWrite)
                t += QStringLiteral("BA_ \"ConverterSendOnWrite\" SG_ %1 %2 %3;\n").arg(w.dbcId).arg(s.name).arg(*s.sendOnWrite ? 1 : 0);
        }
    }
    for (const Written& w : written) {
        for (const SignalLine& s : w.lines) {
            if (s.known && s.known->isFloat && s.length == 32)
                t += QStringLiteral("SIG_VALTYPE_ %1 %2 : 1;\n").arg(w.dbcId).arg(s.name);
        }
    }
    for (const Written& w : written) {
        for (const SignalLine& s : w.lines) {
            if (!s.known || s.known->values.empty())
                continue;
            t += QStringLiteral("VAL_ %1 %2").arg(w.dbcId).arg(s.name);
            for (const auto& [raw, text] : s.known->values)
                t += QStringLiteral(" %1 %2").arg(raw).arg(quoted(text));
            t += QStringLiteral(" ;\n");
        }
    }
    result.bytes = t.toLatin1();
    return result;
}

} // namespace px::exchange
