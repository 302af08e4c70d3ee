#include "core/exchange/dbc_reader.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/lang/message_ids.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cmath>
#include <deque>
#include <limits>
#include <unordered_map>

namespace px::exchange {
namespace {

const QString kCycleTimeAttribute = QStringLiteral("GenMsgCycleTime");
const QString kFrameFormatAttribute = QStringLiteral("VFrameFormat");
const QString kBitRateSwitchAttribute = QStringLiteral("CANFD_BRS");
// What the configurator's own export records (see dbc_writer.h).
const QString kRegisterAttribute = QStringLiteral("ConverterRegister");
const QString kLowWordAttribute = QStringLiteral("ConverterLowWordRegister");
const QString kSendOnWriteAttribute = QStringLiteral("ConverterSendOnWrite");
const QString kTimeOutAttribute = QStringLiteral("ConverterTimeOut");
const QString kMnemonicAttribute = QStringLiteral("ConverterMnemonic");

// A statement that does not parse: where, and why.
struct ParseFault {
    int line = 0;
    QString text;   // "line L, column C: cause"
};

struct Token {
    // Bad: text that is no token (its text says why); taking it is a fault, looking at it is not.
    enum class Kind { End, Identifier, Number, String, Punct, Bad };
    Kind kind = Kind::End;
    // Identifier, number or punctuation as written; a string without its quotes. A view of
    // the file's text, or of a text the lexer keeps (a string with escapes, a fault), valid
    // as long as the lexer.
    QStringView text;
    int line = 0;
    int column = 0;
    bool lineStart = false; // the first token of its line
};

// Splits the text into tokens, one at a time, keeping where each stands.
class Lexer {
public:
    Lexer(const QString& text, const QString& name)
        : m_data(reinterpret_cast<const char16_t*>(text.constData())), m_size(text.size()), m_name(name)
    {
    }

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
        if (m_peek.kind == Token::Kind::Bad)
            fail(m_peek, m_peek.text.toString());
        return m_peek;
    }

    [[noreturn]] void fail(int line, int column, const QString& cause) const
    {
        throw ParseFault{line, QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(cause)};
    }
    [[noreturn]] void fail(const Token& at, const QString& cause) const { fail(at.line, at.column, cause); }

private:
    static bool isIdentifierStart(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; }
    static bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
    static bool isIdentifierChar(char16_t c) { return isIdentifierStart(c) || isDigit(c); }

    char16_t at(qsizetype i) const { return i < m_size ? m_data[i] : u'\0'; }

    void advance()
    {
        if (at(m_pos) == u'\n') {
            ++m_line;
            m_lineBegin = m_pos + 1;
            m_sawLineBreak = true;
        }
        ++m_pos;
    }

    QStringView view(qsizetype begin, qsizetype end) const { return QStringView(m_data + begin, end - begin); }

    // A text made while reading, kept as long as the lexer so that tokens can view it.
    QStringView keep(QString text)
    {
        m_kept.push_back(std::move(text));
        return m_kept.back();
    }

    Token scan()
    {
        // Blanks, line ends and // comments between tokens.
        for (;;) {
            if (m_pos >= m_size)
                break;
            const char16_t c = m_data[m_pos];
            if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v') {
                advance();
            } else if (c == u'/' && at(m_pos + 1) == u'/') {
                while (m_pos < m_size && m_data[m_pos] != u'\n')
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
        if (m_pos >= m_size)
            return t;
        const qsizetype begin = m_pos;
        const char16_t c = m_data[m_pos];
        if (isIdentifierStart(c)) {
            while (m_pos < m_size && isIdentifierChar(m_data[m_pos]))
                ++m_pos;
            t.kind = Token::Kind::Identifier;
            t.text = view(begin, m_pos);
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
            if (isIdentifierStart(at(m_pos))) {
                // A name that begins with digits, such as 64_BIT_LE.
                while (m_pos < m_size && isIdentifierChar(m_data[m_pos]))
                    ++m_pos;
                t.kind = Token::Kind::Identifier;
            }
            t.text = view(begin, m_pos);
        } else if (c == u'"') {
            advance();
            const qsizetype first = m_pos;
            bool escaped = false;   // holds \" or \\, which stand for " and \ .
            for (;;) {
                if (m_pos >= m_size) {
                    t.kind = Token::Kind::Bad;
                    t.text = u"the text in quotes is never closed";
                    return t;
                }
                const char16_t d = m_data[m_pos];
                if (d == u'"')
                    break;
                if (d == u'\\' && (at(m_pos + 1) == u'"' || at(m_pos + 1) == u'\\')) {
                    escaped = true;
                    m_pos += 2;
                    continue;
                }
                advance();
            }
            t.text = escaped ? keep(unescaped(view(first, m_pos))) : view(first, m_pos);
            advance();
            t.kind = Token::Kind::String;
        } else if (c < 0x20 || c == 0x7F) {
            ++m_pos;   // past it, so that reading goes on after the line is skipped
            t.kind = Token::Kind::Bad;
            t.text = keep(QStringLiteral("unexpected control character 0x%1").arg(int(c), 2, 16, QLatin1Char('0')));
        } else {
            ++m_pos;
            if (QChar::isHighSurrogate(c) && QChar::isLowSurrogate(at(m_pos)))
                ++m_pos;
            t.kind = Token::Kind::Punct;
            t.text = view(begin, m_pos);
        }
        return t;
    }

    // The text of a string with its escapes \" and \\ replaced by what they stand for.
    static QString unescaped(QStringView raw)
    {
        QString value;
        value.reserve(raw.size());
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw[i] == u'\\' && i + 1 < raw.size() && (raw[i + 1] == u'"' || raw[i + 1] == u'\\'))
                ++i;
            value += raw[i];
        }
        return value;
    }

    const char16_t* m_data;
    qsizetype m_size;
    const QString& m_name;
    qsizetype m_pos = 0;
    int m_line = 1;
    qsizetype m_lineBegin = 0;
    bool m_sawLineBreak = false;
    bool m_first = true;
    Token m_peek;
    bool m_hasPeek = false;
    std::deque<QString> m_kept;
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

// A number token's text as a whole number, as QStringView::toULongLong reads it: digits
// alone are converted here, anything else by Qt.
qulonglong wholeNumber(QStringView text, bool* ok)
{
    if (text.isEmpty() || text.size() > 19)
        return text.toULongLong(ok);
    qulonglong value = 0;
    for (const QChar c : text) {
        const char16_t d = c.unicode();
        if (d < u'0' || d > u'9')
            return text.toULongLong(ok);
        value = value * 10 + (d - u'0');
    }
    *ok = true;
    return value;
}

// A number token's text (digits, a point, an exponent) as QStringView::toDouble reads it.
// The usual short numbers are converted here: at most 15 significant digits and a power of
// ten within 10^22 are both exact doubles, so one multiplication or division rounds as
// correctly as Qt's conversion. Anything else is Qt's.
double realNumber(QStringView text, bool* ok)
{
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const qsizetype n = text.size();
    if (n == 0 || n > 24)
        return text.toDouble(ok);
    const char16_t* p = reinterpret_cast<const char16_t*>(text.data());
    qsizetype i = 0;
    std::uint64_t mantissa = 0;
    int digits = 0;        // significant digits taken, leading zeros not counted
    int exponent = 0;      // of ten, applied to the mantissa
    bool anyDigit = false;
    for (; i < n && p[i] >= u'0' && p[i] <= u'9'; ++i) {
        anyDigit = true;
        if (mantissa == 0 && p[i] == u'0')
            continue;
        if (++digits > 15)
            return text.toDouble(ok);
        mantissa = mantissa * 10 + (p[i] - u'0');
    }
    if (i < n && p[i] == u'.') {
        for (++i; i < n && p[i] >= u'0' && p[i] <= u'9'; ++i) {
            anyDigit = true;
            --exponent;
            if (mantissa == 0 && p[i] == u'0')
                continue;
            if (++digits > 15)
                return text.toDouble(ok);
            mantissa = mantissa * 10 + (p[i] - u'0');
        }
    }
    if (!anyDigit)
        return text.toDouble(ok);
    if (i < n && (p[i] == u'e' || p[i] == u'E')) {
        ++i;
        bool negative = false;
        if (i < n && (p[i] == u'+' || p[i] == u'-'))
            negative = p[i++] == u'-';
        if (i == n)
            return text.toDouble(ok);
        int e = 0;
        for (; i < n && p[i] >= u'0' && p[i] <= u'9'; ++i) {
            e = e * 10 + (p[i] - u'0');
            if (e > 1000)
                return text.toDouble(ok);
        }
        exponent += negative ? -e : e;
    }
    if (i != n || exponent < -22 || exponent > 22)
        return text.toDouble(ok);
    *ok = true;
    const double m = static_cast<double>(mantissa);
    return exponent >= 0 ? m * kPowersOfTen[exponent] : m / kPowersOfTen[-exponent];
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
            throw Error(msg::kDbcWrongBeginning, {m_name, describe(first)});
        }
        for (;;) {
            Token t;
            try {
                t = m_lex.next();
                if (t.kind == Token::Kind::End)
                    break;
                if (t.kind != Token::Kind::Identifier)
                    m_lex.fail(t, QStringLiteral("expected a keyword such as BO_ or SG_, found %1").arg(describe(t)));
                statement(t);
            } catch (const ParseFault& fault) {
                skipped(t, fault);
            }
        }
        finish();
        return std::move(m_db);
    }

private:
    enum class Keyword {
        None, Version, NewSymbols, BitTiming, Nodes, Message, Comment, AttributeDefinition, AttributeDefault, Attribute,
        Values, ValueTable, Variable, Senders, SignalValueType, Signal, Other
    };

    // The statement a word begins, None when it begins none.
    static Keyword keywordOf(QStringView word)
    {
        struct Entry {
            QStringView word;
            Keyword keyword;
        };
        static constexpr Entry table[] = {
            {u"VERSION", Keyword::Version},          {u"NS_", Keyword::NewSymbols},        {u"BS_", Keyword::BitTiming},
            {u"BU_", Keyword::Nodes},                {u"BO_", Keyword::Message},           {u"CM_", Keyword::Comment},
            {u"BA_DEF_", Keyword::AttributeDefinition}, {u"BA_DEF_DEF_", Keyword::AttributeDefault}, {u"BA_", Keyword::Attribute},
            {u"VAL_", Keyword::Values},              {u"VAL_TABLE_", Keyword::ValueTable}, {u"EV_", Keyword::Variable},
            {u"BO_TX_BU_", Keyword::Senders},        {u"SIG_VALTYPE_", Keyword::SignalValueType}, {u"SG_", Keyword::Signal},
            {u"BA_DEF_REL_", Keyword::Other},        {u"BA_REL_", Keyword::Other},         {u"BA_DEF_DEF_REL_", Keyword::Other},
            {u"SIG_GROUP_", Keyword::Other},         {u"ENVVAR_DATA_", Keyword::Other},    {u"SGTYPE_", Keyword::Other},
            {u"CAT_DEF_", Keyword::Other},           {u"CAT_", Keyword::Other},            {u"FILTER", Keyword::Other}};
        for (const Entry& e : table) {
            if (e.word.size() == word.size() && e.word.front() == word.front() && e.word == word)
                return e.keyword;
        }
        return Keyword::None;
    }

    static bool isKeyword(QStringView word) { return keywordOf(word) != Keyword::None; }

    // A statement that does not parse is skipped up to the next statement at the start of
    // a line. Within a frame's block (its SG_ lines) the frame keeps the line, so the import
    // can name why the frame is incomplete; a BO_ line that does not parse takes its
    // block with it; any other line is a warning of the file.
    void skipped(const Token& keyword, const ParseFault& fault)
    {
        const QString text = fault.text + QStringLiteral(" (skipped)");
        if (keyword.kind == Token::Kind::Identifier && keyword.text == u"BO_") {
            m_current = nullptr;
            m_discarding = true;
            m_db.warnings.push_back({fault.line, fault.text + QStringLiteral(" (the frame and its signals are skipped)")});
        } else if (keyword.kind == Token::Kind::Identifier && keyword.text == u"SG_" && m_current) {
            m_current->skippedLines << text;
        } else if (!(keyword.kind == Token::Kind::Identifier && keyword.text == u"SG_" && m_discarding)) {
            m_db.warnings.push_back({fault.line, text});
        }
        for (;;) {
            try {
                const Token& t = m_lex.peek();
                if (t.kind == Token::Kind::End || (t.lineStart && t.kind == Token::Kind::Identifier && isKeyword(t.text)))
                    return;
                m_lex.next();
            } catch (const ParseFault&) {
                // Further damage on the skipped line: go on past it.
            }
        }
    }

    void statement(const Token& keyword)
    {
        switch (keywordOf(keyword.text)) {
        case Keyword::Version:
            m_db.version = expectString(QStringLiteral("the version text")).text.toString();
            break;
        case Keyword::NewSymbols:
            expectPunct(u':', keyword.text.toString());
            skipNewSymbols();
            break;
        case Keyword::BitTiming:
            expectPunct(u':', keyword.text.toString());
            while (!m_lex.peek().lineStart && m_lex.peek().kind != Token::Kind::End)
                m_lex.next();
            break;
        case Keyword::Nodes:
            expectPunct(u':', keyword.text.toString());
            while (!m_lex.peek().lineStart && m_lex.peek().kind == Token::Kind::Identifier)
                m_db.nodes << m_lex.next().text.toString();
            skipStrayOnLine(QStringLiteral("a node name"));
            break;
        case Keyword::Message:
            message(keyword);
            break;
        case Keyword::Signal:
            signal(keyword);
            break;
        case Keyword::Comment:
            comment();
            break;
        case Keyword::AttributeDefault:
            attributeDefault();
            break;
        case Keyword::Attribute:
            attribute();
            break;
        case Keyword::Values:
            values();
            break;
        case Keyword::AttributeDefinition:
            attributeDefinition();
            break;
        case Keyword::SignalValueType:
            signalValueType();
            break;
        case Keyword::ValueTable: {
            const QString tableName = expectIdentifier(QStringLiteral("the value table's name")).text.toString();
            m_db.valueTables[tableName] = valuePairs();
            break;
        }
        default:
            // EV_, BO_TX_BU_ and whatever else: to its ';' or to the next statement at the
            // start of a line.
            skipStatement();
            break;
        }
    }

    void message(const Token& keyword)
    {
        const Token idToken = expectNumber(QStringLiteral("the message identifier"));
        const std::uint64_t raw = toUnsigned(idToken, 0xFFFFFFFFu);
        CanMessage m;
        m.line = keyword.line;
        m.name = expectIdentifier(QStringLiteral("the message name")).text.toString();
        expectPunct(u':', QStringLiteral("the message name"));
        const Token lengthToken = expectNumber(QStringLiteral("the data length"));
        m.length = static_cast<int>(toUnsigned(lengthToken, 64));
        if (!m_lex.peek().lineStart && m_lex.peek().kind == Token::Kind::Identifier)
            m.sender = m_lex.next().text.toString();
        skipStrayOnLine(QStringLiteral("the sender"));

        const bool bit31 = (raw & 0x80000000u) != 0;
        const std::uint32_t id = static_cast<std::uint32_t>(raw & 0x7FFFFFFFu);
        if (id > kMaxExtendedId) {
            // A holder of signals that belong to no frame (written with or without bit 31),
            // not a frame of the bus.
            m_current = nullptr;
            m_discarding = true;
            if (m.name != QStringLiteral("VECTOR__INDEPENDENT_SIG_MSG")) {
                m_db.warnings.push_back({idToken.line, QStringLiteral("line %1, column %2: the identifier %3 is beyond 29 bits "
                                                                      "(the frame %4 and its signals are skipped)")
                                                           .arg(idToken.line)
                                                           .arg(idToken.column)
                                                           .arg(idToken.text, m.name)});
            }
            return;
        }
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
        s.name = expectIdentifier(QStringLiteral("the signal name")).text.toString();
        if (m_lex.peek().kind == Token::Kind::Identifier) {
            const Token mark = m_lex.next();
            multiplexMark(mark, s);
        }
        expectPunct(u':', QStringLiteral("the signal name"));
        s.startBit = static_cast<int>(toUnsigned(expectNumber(QStringLiteral("the start bit")), 64 * 8 - 1));
        expectPunct(u'|', QStringLiteral("the start bit"));
        const Token lengthToken = expectNumber(QStringLiteral("the signal length"));
        s.length = static_cast<int>(toUnsigned(lengthToken, 0xFFFF));
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
        s.unit = shared(m_lastUnit, expectString(QStringLiteral("the unit")).text);
        m_receivers.clear();
        while (!m_lex.peek().lineStart && m_lex.peek().kind != Token::Kind::End) {
            const Token r = m_lex.next();
            if (r.kind == Token::Kind::Identifier)
                m_receivers.push_back(r.text);
            else if (!(r.kind == Token::Kind::Punct && r.text == u","))
                m_lex.fail(r, QStringLiteral("expected a receiving node, found %1").arg(describe(r)));
        }
        if (!std::equal(m_receivers.begin(), m_receivers.end(), m_lastReceivers.begin(), m_lastReceivers.end())) {
            m_lastReceivers.clear();
            for (const QStringView r : m_receivers)
                m_lastReceivers << r.toString();
        }
        s.receivers = m_lastReceivers;
        if (m_current)
            m_current->signalList.push_back(std::move(s));
    }

    void multiplexMark(const Token& mark, CanSignal& s)
    {
        const QStringView m = mark.text;
        if (m == u"M") {
            s.multiplex = CanSignal::Multiplex::Multiplexor;
            return;
        }
        if (m.size() >= 2 && m[0] == u'm') {
            QStringView digits = m.mid(1);
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
                    c.signal = expectIdentifier(QStringLiteral("the signal name")).text.toString();
                forMessage = true;
            } else if (object.text == u"BU_" || object.text == u"EV_") {
                expectIdentifier(QStringLiteral("a name"));
            } else {
                m_lex.fail(object, QStringLiteral("expected BU_, BO_, SG_, EV_ or a text in quotes after CM_, found %1")
                                       .arg(describe(object)));
            }
        }
        c.text = expectString(QStringLiteral("the comment")).text.toString();
        expectEnd(QStringLiteral("the comment"));
        if (forMessage)
            m_comments.push_back(std::move(c));
    }

    // BA_DEF_DEF_ "name" value ;
    void attributeDefault()
    {
        const QStringView attr = expectString(QStringLiteral("the attribute name")).text;
        const Token value = m_lex.next();
        if (value.kind == Token::Kind::End || (value.kind == Token::Kind::Punct && !isSign(value)))
            m_lex.fail(value, QStringLiteral("expected the attribute's default value, found %1").arg(describe(value)));
        std::optional<double> number;
        if (isSign(value) || value.kind == Token::Kind::Number)
            number = signedReal(value);
        expectEnd(QStringLiteral("the default value"));
        if (attr == kCycleTimeAttribute && number)
            m_defaultCycle = *number;
        if (attr == kFrameFormatAttribute)
            m_defaultFd = isFdFormat(value, number);
    }

    // BA_ "name" [BU_ node | BO_ id | SG_ id signal | EV_ variable] value ;
    void attribute()
    {
        const QStringView attr = expectString(QStringLiteral("the attribute name")).text;
        std::optional<std::uint32_t> message;
        QString signalName;
        if (m_lex.peek().kind == Token::Kind::Identifier && isObjectKeyword(m_lex.peek().text)) {
            const Token object = m_lex.next();
            if (object.text == u"BO_" || object.text == u"SG_") {
                message = static_cast<std::uint32_t>(toUnsigned(expectNumber(QStringLiteral("the message identifier")), 0xFFFFFFFFu));
                if (object.text == u"SG_")
                    signalName = expectIdentifier(QStringLiteral("the signal name")).text.toString();
            } else {
                expectIdentifier(QStringLiteral("a name"));
            }
        }
        const Token value = m_lex.next();
        std::optional<double> number;
        if (isSign(value) || value.kind == Token::Kind::Number)
            number = signedReal(value);
        else if (value.kind != Token::Kind::String && value.kind != Token::Kind::Identifier)
            m_lex.fail(value, QStringLiteral("expected the attribute's value, found %1").arg(describe(value)));
        expectEnd(QStringLiteral("the attribute value"));
        if (!message)
            return;
        const std::uint32_t key = messageKey(*message);
        if (!signalName.isEmpty()) {
            if (number && (attr == kRegisterAttribute || attr == kLowWordAttribute || attr == kSendOnWriteAttribute))
                m_signalAttributes.push_back({key, signalName, attr.toString(), *number});
            return;
        }
        if (attr == kCycleTimeAttribute && number)
            m_cycles[key] = *number;
        else if (attr == kFrameFormatAttribute)
            m_fd[key] = isFdFormat(value, number);
        else if (attr == kBitRateSwitchAttribute && number && *number != 0)
            m_fd[key] = true;
        else if (attr == kBitRateSwitchAttribute && value.kind == Token::Kind::String && value.text == u"1")
            m_fd[key] = true;
        else if (attr == kTimeOutAttribute && number)
            m_timeOuts[key] = *number;
        else if (attr == kMnemonicAttribute && value.kind == Token::Kind::String)
            m_mnemonics[key] = value.text.toString();
    }

    // VAL_ id signal (value "text")* ;  or  VAL_ variable (value "text")* ;
    void values()
    {
        const Token first = m_lex.next();
        if (first.kind == Token::Kind::Number) {
            PendingValues v;
            v.dbcId = static_cast<std::uint32_t>(toUnsigned(first, 0xFFFFFFFFu));
            v.signal = expectIdentifier(QStringLiteral("the signal name")).text.toString();
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
            if (atNextStatement())
                return table;   // the ';' forgotten
            const Token t = m_lex.next();
            if (t.kind == Token::Kind::Punct && t.text == u";")
                return table;
            if (t.kind != Token::Kind::Number && !isSign(t))
                m_lex.fail(t, QStringLiteral("expected a value or ';', found %1").arg(describe(t)));
            const double value = signedReal(t);
            const QStringView text = expectString(QStringLiteral("the value's description")).text;
            if (value >= -9.2e18 && value <= 9.2e18)
                table[static_cast<std::int64_t>(value)] = text.toString();
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
        for (const auto& [key, name] : m_floats) {
            const auto it = byId.find(key);
            if (it == byId.end())
                continue;
            if (CanSignal* s = signalOf(it->second, name))
                s->isFloat = true;
        }
        for (const SignalAttribute& a : m_signalAttributes) {
            const auto it = byId.find(a.key);
            if (it == byId.end() || a.value < 0 || a.value > 65535)
                continue;
            CanSignal* s = signalOf(it->second, a.signal);
            if (!s)
                continue;
            if (a.attribute == kRegisterAttribute)
                s->registerIndex = static_cast<int>(a.value);
            else if (a.attribute == kLowWordAttribute)
                s->lowWordRegister = static_cast<int>(a.value);
            else
                s->sendOnWrite = a.value != 0;
        }
        for (CanMessage& m : m_db.messages) {
            if (const auto t = m_timeOuts.find(m.dbcId()); t != m_timeOuts.end() && t->second >= 0 && t->second <= 100000000)
                m.recordedTimeOutMs = static_cast<int>(t->second);
            if (const auto n = m_mnemonics.find(m.dbcId()); n != m_mnemonics.end())
                m.recordedMnemonic = n->second;
        }
        for (CanMessage& m : m_db.messages) {
            const auto it = m_cycles.find(m.dbcId());
            if (it != m_cycles.end()) {
                if (it->second >= 1 && it->second <= std::numeric_limits<int>::max())
                    m.cycleTimeMs = static_cast<int>(it->second);
            } else if (m_defaultCycle >= kMaxDefaultCycleTimeMs) {
                m.ignoredDefaultCycleMs = m_defaultCycle;
            } else if (m_defaultCycle >= 1) {
                m.cycleTimeMs = static_cast<int>(m_defaultCycle);
            }
            const auto fd = m_fd.find(m.dbcId());
            m.canFd = fd != m_fd.end() ? fd->second : m_defaultFd;
        }
    }

    // BA_DEF_ [BU_|BO_|SG_|EV_] "name" type ... ; of which the values of the frame format
    // enumeration are kept.
    void attributeDefinition()
    {
        if (m_lex.peek().kind == Token::Kind::Identifier && isObjectKeyword(m_lex.peek().text))
            m_lex.next();
        const QStringView attr = expectString(QStringLiteral("the attribute name")).text;
        if (attr != kFrameFormatAttribute) {
            skipStatement();
            return;
        }
        const Token type = expectIdentifier(QStringLiteral("the attribute type"));
        m_frameFormats.clear();
        for (;;) {
            if (atNextStatement())
                return;
            const Token t = m_lex.next();
            if (t.kind == Token::Kind::Punct && t.text == u";")
                return;
            if (type.text == u"ENUM" && t.kind == Token::Kind::String)
                m_frameFormats << t.text.toString();
        }
    }

    // SIG_VALTYPE_ id signal : 1|2 ;
    void signalValueType()
    {
        const std::uint32_t id = static_cast<std::uint32_t>(toUnsigned(expectNumber(QStringLiteral("the message identifier")), 0xFFFFFFFFu));
        const QString name = expectIdentifier(QStringLiteral("the signal name")).text.toString();
        if (m_lex.peek().kind == Token::Kind::Punct && m_lex.peek().text == u":")
            m_lex.next();
        const std::uint64_t type = toUnsigned(expectNumber(QStringLiteral("the value type 0, 1 or 2")), 2);
        expectEnd(QStringLiteral("the value type"));
        if (type != 0)
            m_floats.push_back({messageKey(id), name});
    }

    // Whether a frame format value names CAN FD: an enumeration index whose text (from
    // BA_DEF_, else the usual list with StandardCAN_FD at 14 and ExtendedCAN_FD at 15)
    // ends in FD, or such a text itself.
    bool isFdFormat(const Token& value, std::optional<double> number) const
    {
        if (value.kind == Token::Kind::String || value.kind == Token::Kind::Identifier)
            return value.text.endsWith(QStringLiteral("FD"), Qt::CaseInsensitive);
        if (!number)
            return false;
        const double index = *number;
        if (!m_frameFormats.isEmpty()) {
            if (index < 0 || index >= m_frameFormats.size() || index != std::floor(index))
                return false;
            return m_frameFormats[static_cast<qsizetype>(index)].endsWith(QStringLiteral("FD"), Qt::CaseInsensitive);
        }
        return index == 14 || index == 15;
    }

    // A message identifier as an attribute or a comment names it, as the message's dbcId():
    // a 29-bit identifier written without bit 31 gets it.
    static std::uint32_t messageKey(std::uint32_t id)
    {
        if ((id & 0x80000000u) == 0 && id > kMaxStandardId && id <= kMaxExtendedId)
            return id | 0x80000000u;
        return id;
    }

    // --- token helpers ---

    // `text` as a string, sharing `last` when it is the same text (signals mostly repeat
    // the unit and receivers of the signal before them).
    static QString shared(QString& last, QStringView text)
    {
        if (last.isNull() || text != last)
            last = text.toString();
        return last;
    }

    static bool isObjectKeyword(QStringView word)
    {
        return word == u"BU_" || word == u"BO_" || word == u"SG_" || word == u"EV_";
    }

    // The next token starts the next statement: a keyword at the start of a line, or the end.
    bool atNextStatement()
    {
        const Token& t = m_lex.peek();
        return t.kind == Token::Kind::End || (t.lineStart && t.kind == Token::Kind::Identifier && isKeyword(t.text));
    }

    // The ';' that ends a statement; a forgotten one is taken as there when the next
    // statement follows on a line of its own.
    void expectEnd(const QString& after)
    {
        if (atNextStatement())
            return;
        expectPunct(u';', after);
    }

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
        const qulonglong value = wholeNumber(t.text, &ok);
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
        // The lexer took digits, a point and an exponent only, so a number that does not
        // convert lies beyond the range of a double (some tools write 4.4E+481 for "no
        // limit"): the largest double, or 0 for a negative exponent.
        bool ok = false;
        double value = realNumber(number.text, &ok);
        if (!ok) {
            const qsizetype e = number.text.indexOf(u'e', 0, Qt::CaseInsensitive);
            value = e >= 0 && number.text.mid(e + 1).startsWith(u'-') ? 0.0 : std::numeric_limits<double>::max();
        }
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
    QString m_lastUnit;
    QStringList m_lastReceivers;
    std::vector<QStringView> m_receivers;   // of the signal being read
    CanDatabase m_db;
    CanMessage* m_current = nullptr;
    bool m_discarding = false;
    std::vector<PendingComment> m_comments;
    std::vector<PendingValues> m_values;
    std::unordered_map<std::uint32_t, double> m_cycles;
    double m_defaultCycle = 0;
    std::unordered_map<std::uint32_t, bool> m_fd;
    bool m_defaultFd = false;
    QStringList m_frameFormats;
    std::vector<std::pair<std::uint32_t, QString>> m_floats;
    struct SignalAttribute {
        std::uint32_t key;
        QString signal;
        QString attribute;
        double value;
    };
    std::vector<SignalAttribute> m_signalAttributes;
    std::unordered_map<std::uint32_t, double> m_timeOuts;
    std::unordered_map<std::uint32_t, QString> m_mnemonics;
};

} // namespace

CanDatabase readDbc(const QByteArray& bytes, const QString& name)
{
    if (bytes.left(4096).contains('\0'))
        throw Error(msg::kDbcIsBinary, {name});
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(view);
    if (utf8.hasError())
        text = QString::fromLatin1(view);
    if (text.trimmed().isEmpty())
        throw Error(msg::kDbcIsEmpty, {name});
    Parser parser(text, name);
    CanDatabase db = parser.parse();
    if (db.messages.empty() && !db.warnings.empty()) {
        if (db.warnings.size() > 1)
            throw Error(msg::kDbcNoFrameAndMore, {name, db.warnings.front().text, db.warnings.size() - 1});
        throw Error(msg::kDbcNoFrame, {name, db.warnings.front().text});
    }
    return db;
}

CanDatabase readDbcFile(const QString& path)
{
    // A pipe or a device is never opened; the size is checked before anything is read.
    if (!configurationFileExists(path))
        throw Error(msg::kFileDoesNotExist, {displayPath(path)});
    const qint64 size = QFileInfo(path).size();
    const auto tooLarge = [&path](qint64 bytes) {
        return Error(msg::kDbcFileTooLarge, {displayPath(path), bytes, kMaxDbcFileSize});
    };
    if (size > kMaxDbcFileSize)
        throw tooLarge(size);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(msg::kCannotReadFile, {displayPath(path), file.errorString()});
    const QByteArray bytes = file.read(kMaxDbcFileSize + 1);   // one byte beyond, should it have grown
    if (file.error() != QFileDevice::NoError)
        throw Error(msg::kCannotReadFile, {displayPath(path), file.errorString()});
    if (bytes.size() > kMaxDbcFileSize)
        throw tooLarge(bytes.size());
    return readDbc(bytes, QFileInfo(path).fileName());
}

} // namespace px::exchange
