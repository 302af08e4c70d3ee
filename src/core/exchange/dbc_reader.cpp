#include "core/exchange/dbc_reader.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <limits>
#include <unordered_map>

namespace px::exchange {
namespace {

const QString kCycleTimeAttribute = QStringLiteral("GenMsgCycleTime");

struct Token {
    enum class Kind { End, Identifier, Number, String, Punct };
    Kind kind = Kind::End;
    QString text;          // identifier, number or punctuation as written; a string without its quotes
    int line = 0;
    int column = 0;
    bool lineStart = false; // the first token of its line
};

// Splits the text into tokens, one at a time, keeping where each stands.
class Lexer {
public:
    Lexer(const QString& text, const QString& name) : m_text(text), m_name(name) {}

    const Token& peek()
    {
        if (!m_hasPeek) {
            m_peek = scan();
            m_hasPeek = true;
        }
        return m_peek;
    }

    Token next()
    {
        peek();
        m_hasPeek = false;
        return std::move(m_peek);
    }

    [[noreturn]] void fail(int line, int column, const QString& cause) const
    {
        throw Error(QStringLiteral("%1: line %2, column %3: %4").arg(m_name).arg(line).arg(column).arg(cause));
    }
    [[noreturn]] void fail(const Token& at, const QString& cause) const { fail(at.line, at.column, cause); }

private:
    static bool isIdentifierStart(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; }
    static bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
    static bool isIdentifierChar(char16_t c) { return isIdentifierStart(c) || isDigit(c); }

    char16_t at(qsizetype i) const { return i < m_text.size() ? m_text[i].unicode() : u'\0'; }

    void advance()
    {
        if (at(m_pos) == u'\n') {
            ++m_line;
            m_lineBegin = m_pos + 1;
            m_sawLineBreak = true;
        }
        ++m_pos;
    }

    Token scan()
    {
        // Blanks, line ends and // comments between tokens.
        for (;;) {
            if (m_pos >= m_text.size())
                break;
            const char16_t c = at(m_pos);
            if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v') {
                advance();
            } else if (c == u'/' && at(m_pos + 1) == u'/') {
                while (m_pos < m_text.size() && at(m_pos) != u'\n')
                    ++m_pos;
            } else {
                break;
            }
        }
        Token t;
        t.line = m_line;
        t.column = static_cast<int>(m_pos - m_lineBegin) + 1;
        t.lineStart = m_sawLineBreak || m_pos == 0 || m_first;
        m_first = false;
        m_sawLineBreak = false;
        if (m_pos >= m_text.size())
            return t;
        const qsizetype begin = m_pos;
        const char16_t c = at(m_pos);
        if (isIdentifierStart(c)) {
            while (m_pos < m_text.size() && isIdentifierChar(at(m_pos)))
                ++m_pos;
            t.kind = Token::Kind::Identifier;
            t.text = m_text.mid(begin, m_pos - begin);
        } else if (isDigit(c) || (c == u'.' && isDigit(at(m_pos + 1)))) {
            while (isDigit(at(m_pos)))
                ++m_pos;
            if (at(m_pos) == u'.') {
                ++m_pos;
                while (isDigit(at(m_pos)))
                    ++m_pos;
            }
            if ((at(m_pos) == u'e' || at(m_pos) == u'E')
                && (isDigit(at(m_pos + 1)) || ((at(m_pos + 1) == u'+' || at(m_pos + 1) == u'-') && isDigit(at(m_pos + 2))))) {
                m_pos += 2;
                while (isDigit(at(m_pos)))
                    ++m_pos;
            }
            t.kind = Token::Kind::Number;
            t.text = m_text.mid(begin, m_pos - begin);
        } else if (c == u'"') {
            advance();
            QString value;
            for (;;) {
                if (m_pos >= m_text.size())
                    fail(t, QStringLiteral("the text in quotes is never closed"));
                const char16_t d = at(m_pos);
                if (d == u'"')
                    break;
                if (d == u'\\' && (at(m_pos + 1) == u'"' || at(m_pos + 1) == u'\\')) {
                    advance();
                    value += QChar(at(m_pos));
                    advance();
                    continue;
                }
                value += QChar(d);
                advance();
            }
            advance();
            t.kind = Token::Kind::String;
            t.text = value;
        } else if (c < 0x20 || c == 0x7F) {
            fail(t, QStringLiteral("unexpected control character 0x%1").arg(int(c), 2, 16, QLatin1Char('0')));
        } else {
            ++m_pos;
            if (QChar::isHighSurrogate(c) && QChar::isLowSurrogate(at(m_pos)))
                ++m_pos;
            t.kind = Token::Kind::Punct;
            t.text = m_text.mid(begin, m_pos - begin);
        }
        return t;
    }

    const QString& m_text;
    const QString& m_name;
    qsizetype m_pos = 0;
    int m_line = 1;
    qsizetype m_lineBegin = 0;
    bool m_sawLineBreak = false;
    bool m_first = true;
    Token m_peek;
    bool m_hasPeek = false;
};

QString describe(const Token& t)
{
    switch (t.kind) {
    case Token::Kind::End:
        return QStringLiteral("the end of the file");
    case Token::Kind::String:
        return QStringLiteral("a text in quotes");
    default:
        return QStringLiteral("'%1'").arg(t.text.left(40));
    }
}

// A CM_, BA_ or VAL_ statement that names a message or a signal; applied once every
// message is known, since such statements may stand anywhere in the file.
struct PendingComment {
    std::uint32_t dbcId = 0;
    QString signal;     // empty: the message's own comment
    QString text;
};
struct PendingValues {
    std::uint32_t dbcId = 0;
    QString signal;
    ValueTable values;
};

class Parser {
public:
    Parser(const QString& text, const QString& name) : m_lex(text, name), m_name(name) {}

    CanDatabase parse()
    {
        const Token& first = m_lex.peek();
        if (first.kind != Token::Kind::Identifier || !isKeyword(first.text)) {
            throw Error(QStringLiteral("%1 is not a CAN database (DBC) file: it begins with %2 instead of VERSION, "
                                       "NS_, BS_, BU_ or BO_")
                            .arg(m_name, describe(first)));
        }
        for (;;) {
            const Token t = m_lex.next();
            if (t.kind == Token::Kind::End)
                break;
            if (t.kind != Token::Kind::Identifier)
                m_lex.fail(t, QStringLiteral("expected a keyword such as BO_ or SG_, found %1").arg(describe(t)));
            statement(t);
        }
        finish();
        return std::move(m_db);
    }

private:
    static bool isKeyword(const QString& word)
    {
        static const QStringList keywords = {
            QStringLiteral("VERSION"), QStringLiteral("NS_"),     QStringLiteral("BS_"),       QStringLiteral("BU_"),
            QStringLiteral("BO_"),     QStringLiteral("CM_"),     QStringLiteral("BA_DEF_"),   QStringLiteral("BA_DEF_DEF_"),
            QStringLiteral("BA_"),     QStringLiteral("VAL_"),    QStringLiteral("VAL_TABLE_"), QStringLiteral("EV_"),
            QStringLiteral("BO_TX_BU_"), QStringLiteral("SIG_VALTYPE_"), QStringLiteral("SG_"),
            QStringLiteral("BA_DEF_REL_"), QStringLiteral("BA_REL_"), QStringLiteral("BA_DEF_DEF_REL_"),
            QStringLiteral("SIG_GROUP_"), QStringLiteral("ENVVAR_DATA_"), QStringLiteral("SGTYPE_"),
            QStringLiteral("CAT_DEF_"), QStringLiteral("CAT_"), QStringLiteral("FILTER")};
        return keywords.contains(word);
    }

    void statement(const Token& keyword)
    {
        const QString& k = keyword.text;
        if (k == u"VERSION") {
            m_db.version = expectString(QStringLiteral("the version text")).text;
        } else if (k == u"NS_") {
            expectPunct(u':', k);
            skipNewSymbols();
        } else if (k == u"BS_") {
            expectPunct(u':', k);
            while (!m_lex.peek().lineStart && m_lex.peek().kind != Token::Kind::End)
                m_lex.next();
        } else if (k == u"BU_") {
            expectPunct(u':', k);
            while (!m_lex.peek().lineStart && m_lex.peek().kind == Token::Kind::Identifier)
                m_db.nodes << m_lex.next().text;
            skipStrayOnLine(QStringLiteral("a node name"));
        } else if (k == u"BO_") {
            message(keyword);
        } else if (k == u"SG_") {
            signal(keyword);
        } else if (k == u"CM_") {
            comment();
        } else if (k == u"BA_DEF_DEF_") {
            attributeDefault();
        } else if (k == u"BA_") {
            attribute();
        } else if (k == u"VAL_") {
            values();
        } else if (k == u"VAL_TABLE_") {
            const QString tableName = expectIdentifier(QStringLiteral("the value table's name")).text;
            m_db.valueTables[tableName] = valuePairs();
        } else {
            // BA_DEF_, EV_, SIG_VALTYPE_, BO_TX_BU_ and whatever else: to its ';' or to
            // the next statement at the start of a line.
            skipStatement();
        }
    }

    void message(const Token& keyword)
    {
        const Token idToken = expectNumber(QStringLiteral("the message identifier"));
        const std::uint64_t raw = toUnsigned(idToken, 0xFFFFFFFFu);
        CanMessage m;
        m.line = keyword.line;
        m.name = expectIdentifier(QStringLiteral("the message name")).text;
        expectPunct(u':', QStringLiteral("the message name"));
        const Token lengthToken = expectNumber(QStringLiteral("the data length"));
        m.length = static_cast<int>(toUnsigned(lengthToken, 64));
        if (!m_lex.peek().lineStart && m_lex.peek().kind == Token::Kind::Identifier)
            m.sender = m_lex.next().text;
        skipStrayOnLine(QStringLiteral("the sender"));

        const bool bit31 = (raw & 0x80000000u) != 0;
        const std::uint32_t id = static_cast<std::uint32_t>(raw & 0x7FFFFFFFu);
        if (bit31 && id > kMaxExtendedId) {
            // A holder of signals that belong to no frame, not a frame of the bus.
            m_current = nullptr;
            m_discarding = true;
            return;
        }
        if (!bit31 && id > kMaxExtendedId)
            m_lex.fail(idToken, QStringLiteral("the identifier %1 is beyond 29 bits").arg(idToken.text));
        m.id = id;
        m.extended = bit31 || id > kMaxStandardId;
        m_db.messages.push_back(std::move(m));
        m_current = &m_db.messages.back();
        m_discarding = false;
    }

    void signal(const Token& keyword)
    {
        if (!m_current && !m_discarding)
            m_lex.fail(keyword, QStringLiteral("SG_ stands before any BO_ message"));
        CanSignal s;
        s.line = keyword.line;
        s.name = expectIdentifier(QStringLiteral("the signal name")).text;
        if (m_lex.peek().kind == Token::Kind::Identifier) {
            const Token mark = m_lex.next();
            multiplexMark(mark, s);
        }
        expectPunct(u':', QStringLiteral("the signal name"));
        s.startBit = static_cast<int>(toUnsigned(expectNumber(QStringLiteral("the start bit")), 64 * 8 - 1));
        expectPunct(u'|', QStringLiteral("the start bit"));
        const Token lengthToken = expectNumber(QStringLiteral("the signal length"));
        s.length = static_cast<int>(toUnsigned(lengthToken, 64 * 8));
        if (s.length == 0)
            m_lex.fail(lengthToken, QStringLiteral("a signal is at least 1 bit long"));
        expectPunct(u'@', QStringLiteral("the signal length"));
        const Token order = expectNumber(QStringLiteral("the byte order 0 or 1"));
        if (order.text != u"0" && order.text != u"1")
            m_lex.fail(order, QStringLiteral("the byte order is 0 (Motorola) or 1 (Intel), not %1").arg(order.text));
        s.motorola = order.text == u"0";
        const Token sign = m_lex.next();
        if (sign.kind != Token::Kind::Punct || (sign.text != u"+" && sign.text != u"-"))
            m_lex.fail(sign, QStringLiteral("expected '+' or '-' after the byte order, found %1").arg(describe(sign)));
        s.isSigned = sign.text == u"-";
        expectPunct(u'(', QStringLiteral("the sign"));
        s.factor = real(QStringLiteral("the factor"));
        expectPunct(u',', QStringLiteral("the factor"));
        s.offset = real(QStringLiteral("the offset"));
        expectPunct(u')', QStringLiteral("the offset"));
        expectPunct(u'[', QStringLiteral("the factor and offset"));
        s.minimum = real(QStringLiteral("the minimum"));
        expectPunct(u'|', QStringLiteral("the minimum"));
        s.maximum = real(QStringLiteral("the maximum"));
        expectPunct(u']', QStringLiteral("the maximum"));
        s.unit = expectString(QStringLiteral("the unit")).text;
        while (!m_lex.peek().lineStart && m_lex.peek().kind != Token::Kind::End) {
            const Token r = m_lex.next();
            if (r.kind == Token::Kind::Identifier)
                s.receivers << r.text;
            else if (!(r.kind == Token::Kind::Punct && r.text == u","))
                m_lex.fail(r, QStringLiteral("expected a receiving node, found %1").arg(describe(r)));
        }
        if (m_current)
            m_current->signalList.push_back(std::move(s));
    }

    void multiplexMark(const Token& mark, CanSignal& s)
    {
        const QString& m = mark.text;
        if (m == u"M") {
            s.multiplex = CanSignal::Multiplex::Multiplexor;
            return;
        }
        if (m.size() >= 2 && m[0] == u'm') {
            QStringView digits = QStringView(m).mid(1);
            if (digits.endsWith(u'M'))
                digits.chop(1);
            bool ok = false;
            const qlonglong value = digits.toLongLong(&ok);
            if (ok && !digits.isEmpty() && digits[0].isDigit()) {
                s.multiplex = CanSignal::Multiplex::Multiplexed;
                s.multiplexValue = value;
                return;
            }
        }
        m_lex.fail(mark, QStringLiteral("expected ':' or a multiplexer mark (M or m<value>) after the signal name, found %1")
                             .arg(describe(mark)));
    }

    // CM_ [BU_ node | BO_ id | SG_ id signal | EV_ variable] "text" ;
    void comment()
    {
        PendingComment c;
        bool forMessage = false;
        if (m_lex.peek().kind == Token::Kind::Identifier) {
            const Token object = m_lex.next();
            if (object.text == u"BO_" || object.text == u"SG_") {
                c.dbcId = static_cast<std::uint32_t>(toUnsigned(expectNumber(QStringLiteral("the message identifier")), 0xFFFFFFFFu));
                if (object.text == u"SG_")
                    c.signal = expectIdentifier(QStringLiteral("the signal name")).text;
                forMessage = true;
            } else if (object.text == u"BU_" || object.text == u"EV_") {
                expectIdentifier(QStringLiteral("a name"));
            } else {
                m_lex.fail(object, QStringLiteral("expected BU_, BO_, SG_, EV_ or a text in quotes after CM_, found %1")
                                       .arg(describe(object)));
            }
        }
        c.text = expectString(QStringLiteral("the comment")).text;
        expectPunct(u';', QStringLiteral("the comment"));
        if (forMessage)
            m_comments.push_back(std::move(c));
    }

    // BA_DEF_DEF_ "name" value ;
    void attributeDefault()
    {
        const QString attr = expectString(QStringLiteral("the attribute name")).text;
        const Token value = m_lex.next();
        if (value.kind != Token::Kind::Number && value.kind != Token::Kind::String && !isSign(value))
            m_lex.fail(value, QStringLiteral("expected the attribute's default value, found %1").arg(describe(value)));
        std::optional<double> number;
        if (isSign(value) || value.kind == Token::Kind::Number)
            number = signedReal(value);
        expectPunct(u';', QStringLiteral("the default value"));
        if (attr == kCycleTimeAttribute && number)
            m_defaultCycle = *number;
    }

    // BA_ "name" [BU_ node | BO_ id | SG_ id signal | EV_ variable] value ;
    void attribute()
    {
        const QString attr = expectString(QStringLiteral("the attribute name")).text;
        std::optional<std::uint32_t> message;
        if (m_lex.peek().kind == Token::Kind::Identifier) {
            const Token object = m_lex.next();
            if (object.text == u"BO_" || object.text == u"SG_") {
                message = static_cast<std::uint32_t>(toUnsigned(expectNumber(QStringLiteral("the message identifier")), 0xFFFFFFFFu));
                if (object.text == u"SG_") {
                    expectIdentifier(QStringLiteral("the signal name"));
                    message.reset();
                }
            } else if (object.text == u"BU_" || object.text == u"EV_") {
                expectIdentifier(QStringLiteral("a name"));
            } else {
                m_lex.fail(object, QStringLiteral("expected BU_, BO_, SG_, EV_ or a value after the attribute name, found %1")
                                       .arg(describe(object)));
            }
        }
        const Token value = m_lex.next();
        std::optional<double> number;
        if (isSign(value) || value.kind == Token::Kind::Number)
            number = signedReal(value);
        else if (value.kind != Token::Kind::String)
            m_lex.fail(value, QStringLiteral("expected the attribute's value, found %1").arg(describe(value)));
        expectPunct(u';', QStringLiteral("the attribute value"));
        if (attr == kCycleTimeAttribute && message && number)
            m_cycles[*message] = *number;
    }

    // VAL_ id signal (value "text")* ;  or  VAL_ variable (value "text")* ;
    void values()
    {
        const Token first = m_lex.next();
        if (first.kind == Token::Kind::Number) {
            PendingValues v;
            v.dbcId = static_cast<std::uint32_t>(toUnsigned(first, 0xFFFFFFFFu));
            v.signal = expectIdentifier(QStringLiteral("the signal name")).text;
            v.values = valuePairs();
            m_values.push_back(std::move(v));
        } else if (first.kind == Token::Kind::Identifier) {
            valuePairs();
        } else {
            m_lex.fail(first, QStringLiteral("expected a message identifier after VAL_, found %1").arg(describe(first)));
        }
    }

    ValueTable valuePairs()
    {
        ValueTable table;
        for (;;) {
            const Token t = m_lex.next();
            if (t.kind == Token::Kind::Punct && t.text == u";")
                return table;
            if (t.kind != Token::Kind::Number && !isSign(t))
                m_lex.fail(t, QStringLiteral("expected a value or ';', found %1").arg(describe(t)));
            const double value = signedReal(t);
            const QString text = expectString(QStringLiteral("the value's description")).text;
            if (value >= -9.2e18 && value <= 9.2e18)
                table[static_cast<std::int64_t>(value)] = text;
        }
    }

    void finish()
    {
        std::unordered_map<std::uint32_t, CanMessage*> byId;
        for (CanMessage& m : m_db.messages)
            byId.emplace(m.dbcId(), &m);
        // An identifier above 0x7FF written without bit 31 is found by either form.
        for (CanMessage& m : m_db.messages) {
            if (m.extended)
                byId.emplace(m.id, &m);
        }
        const auto signalOf = [](CanMessage* m, const QString& name) -> CanSignal* {
            for (CanSignal& s : m->signalList) {
                if (s.name == name)
                    return &s;
            }
            return nullptr;
        };
        for (const PendingComment& c : m_comments) {
            const auto it = byId.find(c.dbcId);
            if (it == byId.end())
                continue;
            if (c.signal.isEmpty())
                it->second->comment = c.text;
            else if (CanSignal* s = signalOf(it->second, c.signal))
                s->comment = c.text;
        }
        for (PendingValues& v : m_values) {
            const auto it = byId.find(v.dbcId);
            if (it == byId.end())
                continue;
            if (CanSignal* s = signalOf(it->second, v.signal))
                s->values = std::move(v.values);
        }
        for (CanMessage& m : m_db.messages) {
            const auto it = m_cycles.find(m.dbcId());
            const double cycle = it != m_cycles.end() ? it->second : m_defaultCycle;
            if (cycle >= 1 && cycle <= std::numeric_limits<int>::max())
                m.cycleTimeMs = static_cast<int>(cycle);
        }
    }

    // --- token helpers ---

    static bool isSign(const Token& t) { return t.kind == Token::Kind::Punct && (t.text == u"-" || t.text == u"+"); }

    Token expectIdentifier(const QString& what)
    {
        Token t = m_lex.next();
        if (t.kind != Token::Kind::Identifier)
            m_lex.fail(t, QStringLiteral("expected %1, found %2").arg(what, describe(t)));
        return t;
    }

    Token expectNumber(const QString& what)
    {
        Token t = m_lex.next();
        if (t.kind != Token::Kind::Number)
            m_lex.fail(t, QStringLiteral("expected %1, found %2").arg(what, describe(t)));
        return t;
    }

    Token expectString(const QString& what)
    {
        Token t = m_lex.next();
        if (t.kind != Token::Kind::String)
            m_lex.fail(t, QStringLiteral("expected %1 in quotes, found %2").arg(what, describe(t)));
        return t;
    }

    void expectPunct(char16_t c, const QString& after)
    {
        const Token t = m_lex.next();
        if (t.kind != Token::Kind::Punct || t.text.size() != 1 || t.text[0] != QChar(c))
            m_lex.fail(t, QStringLiteral("expected '%1' after %2, found %3").arg(QChar(c), after, describe(t)));
    }

    // A whole non-negative number no larger than `max`.
    std::uint64_t toUnsigned(const Token& t, std::uint64_t max)
    {
        bool ok = false;
        const qulonglong value = t.text.toULongLong(&ok);
        if (!ok)
            m_lex.fail(t, QStringLiteral("%1 is not a whole number").arg(t.text));
        if (value > max)
            m_lex.fail(t, QStringLiteral("%1 is larger than %2").arg(t.text).arg(max));
        return value;
    }

    // A number with an optional sign, the sign token being `first` when there is one.
    double signedReal(const Token& first)
    {
        double sign = 1.0;
        Token number = first;
        if (isSign(first)) {
            sign = first.text == u"-" ? -1.0 : 1.0;
            number = m_lex.next();
            if (number.kind != Token::Kind::Number)
                m_lex.fail(number, QStringLiteral("expected a number after '%1', found %2").arg(first.text, describe(number)));
        }
        bool ok = false;
        const double value = number.text.toDouble(&ok);
        if (!ok)
            m_lex.fail(number, QStringLiteral("%1 is not a number").arg(number.text));
        return sign * value;
    }

    double real(const QString& what)
    {
        const Token t = m_lex.next();
        if (t.kind != Token::Kind::Number && !isSign(t))
            m_lex.fail(t, QStringLiteral("expected %1, found %2").arg(what, describe(t)));
        return signedReal(t);
    }

    // The list of NS_: keywords, one a line and indented, up to the first line that
    // starts at its first column or with BS_, BU_ or BO_.
    void skipNewSymbols()
    {
        for (;;) {
            const Token& t = m_lex.peek();
            if (t.kind == Token::Kind::End)
                return;
            if (t.lineStart && (t.column == 1 || t.text == u"BS_" || t.text == u"BU_" || t.text == u"BO_"))
                return;
            m_lex.next();
        }
    }

    void skipStrayOnLine(const QString& after)
    {
        const Token& t = m_lex.peek();
        if (t.kind != Token::Kind::End && !t.lineStart)
            m_lex.fail(t, QStringLiteral("unexpected %1 after %2").arg(describe(t), after));
    }

    void skipStatement()
    {
        for (;;) {
            const Token& t = m_lex.peek();
            if (t.kind == Token::Kind::End || (t.lineStart && t.kind == Token::Kind::Identifier && isKeyword(t.text)))
                return;
            const Token taken = m_lex.next();
            if (taken.kind == Token::Kind::Punct && taken.text == u";")
                return;
        }
    }

    Lexer m_lex;
    QString m_name;
    CanDatabase m_db;
    CanMessage* m_current = nullptr;
    bool m_discarding = false;
    std::vector<PendingComment> m_comments;
    std::vector<PendingValues> m_values;
    std::unordered_map<std::uint32_t, double> m_cycles;
    double m_defaultCycle = 0;
};

} // namespace

CanDatabase readDbc(const QByteArray& bytes, const QString& name)
{
    if (bytes.left(4096).contains('\0'))
        throw Error(QStringLiteral("%1 is not a CAN database (DBC) file: it holds binary data").arg(name));
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(view);
    if (utf8.hasError())
        text = QString::fromLatin1(view);
    if (text.trimmed().isEmpty())
        throw Error(QStringLiteral("%1 is not a CAN database (DBC) file: it is empty").arg(name));
    Parser parser(text, name);
    return parser.parse();
}

CanDatabase readDbcFile(const QString& path)
{
    return readDbc(readWholeFile(path), QFileInfo(path).fileName());
}

} // namespace px::exchange
