#include "core/base/xml_content.h"

#include "core/base/error.h"
#include "core/base/xml.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstring>
#include <new>

namespace px::xml {

namespace {

QXmlStreamAttributes attributesOf(const QXmlStreamReader& r)
{
    return r.attributes();
}

} // namespace

namespace {

bool isBlankByte(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// An attribute as the stream reader gives it: no namespace, not a default. Qt's
// constructor leaves the default flag unset, so the attribute is made on zeroed storage.
QXmlStreamAttribute plainAttribute(const QString& qualifiedName, const QString& value)
{
    alignas(QXmlStreamAttribute) unsigned char storage[sizeof(QXmlStreamAttribute)] = {};
    auto* made = new (storage) QXmlStreamAttribute(qualifiedName, value);
    QXmlStreamAttribute attribute = std::move(*made);
    made->~QXmlStreamAttribute();
    return attribute;
}

// Whether every character of the document may stand in a plain document: tab, line feed,
// carriage return and printable ASCII, or valid UTF-8 of characters outside the C1
// controls, the surrogates, U+FEFF, U+FFFE and U+FFFF (no byte order mark either).
bool plainCharacters(const QByteArray& bytes)
{
    bool ascii = true;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F)
            return false;
        if (b >= 0x80)
            ascii = false;
    }
    if (ascii)
        return true;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x7F && u <= 0x9F) || c.isSurrogate() || u == 0xFEFF || u == 0xFFFE || u == 0xFFFF)
            return false;
    }
    return true;
}

// Reads a plain document directly: an optional declaration of version 1.0 in UTF-8,
// elements with attributes in ASCII names, the five predefined entities in attribute
// values, text without references inside the root's children, comments, blanks elsewhere. Any
// other document, and any document that does not parse, gives nothing: the stream reader
// reads it (and names its fault). What this gives is what the stream reader gives.
class PlainReader {
public:
    explicit PlainReader(const QByteArray& bytes) : m_p(bytes.constData()), m_n(bytes.size()) {}

    std::optional<XmlContent> read()
    {
        XmlContent c;
        if (m_n >= 6 && std::memcmp(m_p, "<?xml", 5) == 0 && isBlankByte(m_p[5])) {
            if (!declaration())
                return std::nullopt;
            c.top.emplace_back();   // the declaration's node
        }
        std::vector<QByteArrayView> open;   // names of the elements the reader stands in
        bool rootDone = false;
        while (m_i < m_n) {
            if (m_p[m_i] != '<') {
                const qsizetype begin = m_i;
                while (m_i < m_n && m_p[m_i] != '<')
                    ++m_i;
                const QByteArrayView run(m_p + begin, m_i - begin);
                bool blank = true;
                for (const char ch : run) {
                    if (!isBlankByte(ch)) {
                        blank = false;
                        break;
                    }
                }
                if (blank)
                    continue;
                if (open.size() < 2 || run.contains('&') || run.contains('\r') || run.contains("]]>"))
                    return std::nullopt;
                c.top.back().children.back().text += QString::fromUtf8(run);
                continue;
            }
            if (m_i + 1 >= m_n)
                return std::nullopt;
            const char second = m_p[m_i + 1];
            if (second == '!') {
                // A comment: a node of its own at the top level and among the root's
                // children, nothing deeper.
                const QByteArrayView rest(m_p + m_i, m_n - m_i);
                if (!rest.startsWith("<!--"))
                    return std::nullopt;
                const qsizetype end = rest.indexOf("-->", 4);
                if (end < 0)
                    return std::nullopt;
                const QByteArrayView comment = rest.sliced(4, end - 4);
                if (comment.contains("--") || comment.endsWith('-'))
                    return std::nullopt;
                m_i += end + 3;
                if (open.empty())
                    c.top.emplace_back();
                else if (open.size() == 1)
                    c.top.back().children.emplace_back();
                continue;
            }
            if (second == '?')
                return std::nullopt;
            if (second == '/') {
                m_i += 2;
                const QByteArrayView name = nameHere();
                skipBlanks();
                if (name.isEmpty() || open.empty() || name != open.back() || m_i >= m_n || m_p[m_i] != '>')
                    return std::nullopt;
                ++m_i;
                open.pop_back();
                rootDone = open.empty();
                continue;
            }
            ++m_i;
            if (rootDone)
                return std::nullopt;
            const QByteArrayView name = nameHere();
            if (name.isEmpty())
                return std::nullopt;
            XmlItem item;
            item.element = true;
            if (!attributes(open.size() < 2 ? &item.attributes : nullptr))
                return std::nullopt;
            bool empty = false;
            if (m_i < m_n && m_p[m_i] == '/') {
                empty = true;
                ++m_i;
            }
            if (m_i >= m_n || m_p[m_i] != '>' || static_cast<int>(open.size()) + 1 > kMaxDepth)
                return std::nullopt;
            ++m_i;
            if (open.size() < 2) {
                item.name = shared(name);
                if (open.empty())
                    c.top.push_back(std::move(item));
                else
                    c.top.back().children.push_back(std::move(item));
            }
            if (empty)
                rootDone = open.empty();
            else
                open.push_back(name);
        }
        if (!rootDone)
            return std::nullopt;
        return c;
    }

private:
    void skipBlanks()
    {
        while (m_i < m_n && isBlankByte(m_p[m_i]))
            ++m_i;
    }

    // An ASCII name at the reader's place (empty when none), without a colon.
    QByteArrayView nameHere()
    {
        const qsizetype begin = m_i;
        if (m_i < m_n && isNameStart(m_p[m_i])) {
            ++m_i;
            while (m_i < m_n && isNameChar(m_p[m_i]))
                ++m_i;
        }
        return QByteArrayView(m_p + begin, m_i - begin);
    }

    // The string of a name, the same one for the same name (rows repeat theirs).
    QString shared(QByteArrayView name)
    {
        for (const auto& [bytes, text] : m_names) {
            if (bytes == name)
                return text;
        }
        QString text = QString::fromLatin1(name);
        if (m_names.size() < 64)
            m_names.emplace_back(name, text);
        return text;
    }

    // A value in quotes at the reader's place, its references to the five predefined
    // entities replaced; nothing for anything else.
    std::optional<QString> quoted()
    {
        if (m_i >= m_n || (m_p[m_i] != '"' && m_p[m_i] != '\''))
            return std::nullopt;
        const char quote = m_p[m_i++];
        const qsizetype begin = m_i;
        bool entities = false;
        for (;; ++m_i) {
            if (m_i >= m_n)
                return std::nullopt;
            const char ch = m_p[m_i];
            if (ch == quote)
                break;
            if (ch == '<' || ch == '\t' || ch == '\n' || ch == '\r')
                return std::nullopt;
            if (ch == '&')
                entities = true;
        }
        const QByteArrayView raw(m_p + begin, m_i - begin);
        ++m_i;
        if (!entities)
            return QString::fromUtf8(raw);
        QByteArray value;
        value.reserve(raw.size());
        for (qsizetype k = 0; k < raw.size(); ++k) {
            if (raw[k] != '&') {
                value += raw[k];
                continue;
            }
            static constexpr struct {
                const char* reference;
                char character;
            } predefined[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
            bool known = false;
            for (const auto& e : predefined) {
                const QByteArrayView ref(e.reference);
                if (raw.sliced(k).startsWith(ref)) {
                    value += e.character;
                    k += ref.size() - 1;
                    known = true;
                    break;
                }
            }
            if (!known)
                return std::nullopt;
        }
        return QString::fromUtf8(value);
    }

    // The attributes of a start tag up to its '>' or "/>", into `out` when given.
    bool attributes(QXmlStreamAttributes* out)
    {
        std::vector<QByteArrayView>& names = m_attributeNames;
        std::vector<QString>& values = m_attributeValues;
        names.clear();
        values.clear();
        for (;;) {
            const qsizetype before = m_i;
            skipBlanks();
            if (m_i >= m_n)
                return false;
            if (m_p[m_i] == '>' || m_p[m_i] == '/') {
                if (out) {
                    out->reserve(static_cast<qsizetype>(names.size()));
                    for (size_t k = 0; k < names.size(); ++k)
                        out->append(plainAttribute(shared(names[k]), values[k]));
                }
                return true;
            }
            if (m_i == before)
                return false;   // no blank before the attribute
            const QByteArrayView name = nameHere();
            if (name.isEmpty() || name.startsWith("xml") || std::find(names.begin(), names.end(), name) != names.end())
                return false;
            names.push_back(name);
            skipBlanks();
            if (m_i >= m_n || m_p[m_i] != '=')
                return false;
            ++m_i;
            skipBlanks();
            std::optional<QString> value = quoted();
            if (!value)
                return false;
            values.push_back(std::move(*value));
        }
    }

    // <?xml version="1.0" [encoding="UTF-8"] [standalone="yes|no"] ?>
    bool declaration()
    {
        m_i = 5;
        const auto pseudoAttribute = [this](const char* name, std::initializer_list<const char*> values) {
            const qsizetype before = m_i;
            skipBlanks();
            const QByteArrayView n(name);
            if (m_i == before || !QByteArrayView(m_p + m_i, m_n - m_i).startsWith(n)) {
                m_i = before;
                return false;
            }
            m_i += n.size();
            skipBlanks();
            if (m_i >= m_n || m_p[m_i] != '=') {
                m_i = before;
                return false;
            }
            ++m_i;
            skipBlanks();
            const std::optional<QString> value = quoted();
            bool ok = false;
            for (const char* v : values)
                ok = ok || (value && value->compare(QLatin1StringView(v), Qt::CaseInsensitive) == 0);
            if (!ok)
                m_i = before;
            return ok;
        };
        if (!pseudoAttribute("version", {"1.0"}))
            return false;
        pseudoAttribute("encoding", {"UTF-8"});
        pseudoAttribute("standalone", {"yes", "no"});
        skipBlanks();
        if (m_i + 1 >= m_n || m_p[m_i] != '?' || m_p[m_i + 1] != '>')
            return false;
        m_i += 2;
        return true;
    }

    const char* m_p;
    qsizetype m_n;
    qsizetype m_i = 0;
    std::vector<std::pair<QByteArrayView, QString>> m_names;
    // The attributes of the tag being read.
    std::vector<QByteArrayView> m_attributeNames;
    std::vector<QString> m_attributeValues;
};

} // namespace

XmlContent readXmlContent(const QByteArray& bytes, const QString& name)
{
    // Configuration files are plain documents; anything else goes to the stream reader.
    if (plainCharacters(bytes)) {
        if (std::optional<XmlContent> c = PlainReader(bytes).read())
            return std::move(*c);
    }
    return readXmlContentByStreamReader(bytes, name);
}

XmlContent readXmlContentByStreamReader(const QByteArray& bytes, const QString& name)
{
    // Text that is only blanks is dropped, CDATA is kept, the declaration is a node of its
    // own and so is the document type.
    XmlContent c;
    // An entity the reader cannot resolve (one declared outside the document) stands as a
    // node of its own among the root's children and adds no text. A document holding one
    // has always been read without its document type among the top-level nodes.
    bool unresolvedEntity = false;
    std::optional<std::size_t> typeNode;
    // Nodes are appended through the last root and its last row, never through a pointer
    // kept across appends: the lists they stand in may grow and move. The checks refuse a
    // document type inside the root, the one token that would add a top-level node there,
    // and nesting deeper than every other reader takes.
    const auto root = [&c]() -> XmlItem& { return c.top.back(); };
    readCheckedTokens(bytes, name, [&](const QXmlStreamReader& r, QXmlStreamReader::TokenType token, int depth) {
        switch (token) {
        case QXmlStreamReader::StartDocument:
            if (!r.documentVersion().isEmpty())
                c.top.emplace_back();
            break;
        case QXmlStreamReader::DTD:
            // A top-level node of its own. The reader itself expands the entities it
            // declares and adds the default attributes.
            typeNode = c.top.size();
            c.top.emplace_back();
            break;
        case QXmlStreamReader::EntityReference:
            unresolvedEntity = true;
            if (depth == 1)
                root().children.emplace_back();
            break;
        case QXmlStreamReader::StartElement:
            if (depth == 0) {
                c.top.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r), {}, {}});
            } else if (depth == 1) {
                root().children.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r), {}, {}});
            }
            break;
        case QXmlStreamReader::Characters:
            if (isTextNode(r)) {
                if (depth == 1)
                    root().children.emplace_back();
                else if (depth >= 2)
                    root().children.back().text += r.text();
            }
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            if (depth == 0)
                c.top.emplace_back();
            else if (depth == 1)
                root().children.emplace_back();
            break;
        default:
            break;
        }
    });
    if (unresolvedEntity && typeNode)
        c.top.erase(c.top.begin() + static_cast<std::ptrdiff_t>(*typeNode));
    return c;
}

const XmlItem* childElement(const XmlItem& parent, const QString& name)
{
    for (const XmlItem& c : parent.children) {
        if (c.element && c.name == name)
            return &c;
    }
    return nullptr;
}

std::optional<QStringView> attributeOf(const XmlItem& node, QStringView name)
{
    for (const QXmlStreamAttribute& a : node.attributes) {
        if (a.qualifiedName() == name)
            return a.value();
    }
    return std::nullopt;
}

} // namespace px::xml
