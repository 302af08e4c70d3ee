#include "core/base/xml_content.h"

#include "core/base/error.h"
#include "core/base/xml.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <cstring>

namespace px::xml {

std::optional<QStringView> XmlAttributes::value(QStringView name) const
{
    for (const Attribute a : *this) {
        if (sameName(a.name, name))
            return a.value;
    }
    return std::nullopt;
}

namespace {

// What an ASCII character can be in a plain document, one bit each.
enum CharClass : unsigned char { kBlank = 1, kNameStart = 2, kNameChar = 4, kValueStop = 8 };

constexpr std::array<unsigned char, 256> charClasses()
{
    std::array<unsigned char, 256> t{};
    for (const char c : {' ', '\t', '\n', '\r'})
        t[static_cast<unsigned char>(c)] |= kBlank;
    for (int c = 0; c < 128; ++c) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_')
            t[static_cast<std::size_t>(c)] |= kNameStart | kNameChar;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.')
            t[static_cast<std::size_t>(c)] |= kNameChar;
    }
    // What ends or interrupts an attribute value: a quote, a reference, and what a plain
    // value cannot hold.
    for (const char c : {'"', '\'', '&', '<', '\t', '\n', '\r'})
        t[static_cast<unsigned char>(c)] |= kValueStop;
    return t;
}

constexpr std::array<unsigned char, 256> kCharClasses = charClasses();

bool hasClass(char c, CharClass cls)
{
    return (kCharClasses[static_cast<unsigned char>(c)] & cls) != 0;
}

bool isBlank(char c)
{
    return hasClass(c, kBlank);
}

// Whether two names are the same, compared a few bytes at a time (names are short).
bool sameBytes(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = a.size();
    if (n != b.size())
        return false;
    const char* x = a.data();
    const char* y = b.data();
    const auto same = [x, y](qsizetype at, auto width) {
        decltype(width) u;
        decltype(width) v;
        std::memcpy(&u, x + at, sizeof u);
        std::memcpy(&v, y + at, sizeof v);
        return u == v;
    };
    if (n >= 8) {
        // Eight at a time, the last eight overlapping those before.
        for (qsizetype at = 0; at + 8 < n; at += 8) {
            if (!same(at, std::uint64_t{}))
                return false;
        }
        return same(n - 8, std::uint64_t{});
    }
    if (n >= 4)
        return same(0, std::uint32_t{}) && same(n - 4, std::uint32_t{});
    for (qsizetype k = 0; k < n; ++k) {
        if (x[k] != y[k])
            return false;
    }
    return true;
}

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighs = 0x8080808080808080u;

// Whether the eight bytes of `w` hold one below 0x20, 0x7F or one from 0x80 up: a byte
// that needs a closer look (most words of a configuration file hold none).
bool wordNeedsLook(std::uint64_t w)
{
    const std::uint64_t below20 = (w - kOnes * 0x20) & ~w & kHighs;
    const std::uint64_t x = w ^ (kOnes * 0x7F);
    const std::uint64_t is7F = (x - kOnes) & ~x & kHighs;
    return ((w & kHighs) | below20 | is7F) != 0;
}

// Whether every character of the document may stand in a plain document: tab, line feed,
// carriage return and printable ASCII, or valid UTF-8 of characters outside the C1
// controls, the surrogates, U+FEFF, U+FFFE and U+FFFF (no byte order mark either).
bool plainCharacters(const QByteArray& bytes)
{
    bool ascii = true;
    const char* p = bytes.constData();
    const qsizetype n = bytes.size();
    const auto lookAt = [&ascii](char ch) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F)
            return false;
        if (b >= 0x80)
            ascii = false;
        return true;
    };
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (wordNeedsLook(w)) {
            for (qsizetype k = i; k < i + 8; ++k) {
                if (!lookAt(p[k]))
                    return false;
            }
        }
    }
    for (; i < n; ++i) {
        if (!lookAt(p[i]))
            return false;
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
    explicit PlainReader(const QByteArray& bytes)
        : m_p(bytes.constData()), m_n(bytes.size()), m_store(std::make_shared<XmlAttributes::Store>())
    {
        // No value is longer in characters than in bytes: the block never outgrows the
        // document, and only the part written is ever touched.
        m_store->values = std::make_unique_for_overwrite<char16_t[]>(static_cast<std::size_t>(m_n));
        // Room for an attribute in every ten characters (a row's attribute takes more), so
        // that the list of a long file is not moved as it grows.
        m_store->entries.reserve(static_cast<std::size_t>(m_n / 10));
    }

    std::optional<XmlContent> read()
    {
        XmlContent c;
        if (m_n >= 6 && std::memcmp(m_p, "<?xml", 5) == 0 && isBlank(m_p[5])) {
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
                    if (!isBlank(ch)) {
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
                if (name.isEmpty() || open.empty() || !sameBytes(name, open.back()) || m_i >= m_n || m_p[m_i] != '>')
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
            const bool kept = open.size() < 2;
            const std::size_t first = m_store->entries.size();
            if (!attributes(kept))
                return std::nullopt;
            bool empty = false;
            if (m_i < m_n && m_p[m_i] == '/') {
                empty = true;
                ++m_i;
            }
            if (m_i >= m_n || m_p[m_i] != '>' || static_cast<int>(open.size()) + 1 > kMaxDepth)
                return std::nullopt;
            ++m_i;
            if (kept) {
                XmlItem item;
                item.element = true;
                item.name = elementName(name);
                const std::size_t count = m_store->entries.size() - first;
                if (count > 0)
                    item.attributes = XmlAttributes(m_store, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(count));
                if (open.empty()) {
                    c.top.push_back(std::move(item));
                    // Room for a row in every 32 characters (a mapping row takes 40 or
                    // more), so that a long list is not moved as it grows.
                    c.top.back().children.reserve(static_cast<std::size_t>(m_n / 32));
                } else {
                    c.top.back().children.push_back(std::move(item));
                }
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
        while (m_i < m_n && isBlank(m_p[m_i]))
            ++m_i;
    }

    // An ASCII name at the reader's place (empty when none), without a colon.
    QByteArrayView nameHere()
    {
        const qsizetype begin = m_i;
        if (m_i < m_n && hasClass(m_p[m_i], kNameStart)) {
            ++m_i;
            while (m_i < m_n && hasClass(m_p[m_i], kNameChar))
                ++m_i;
        }
        return QByteArrayView(m_p + begin, m_i - begin);
    }

    // The string of an element's name, the same one for the same name (rows repeat theirs).
    QString elementName(QByteArrayView name)
    {
        for (const auto& [bytes, text] : m_elementNames) {
            if (sameBytes(bytes, name))
                return text;
        }
        QString text = QString::fromLatin1(name);
        if (m_elementNames.size() < 64)
            m_elementNames.emplace_back(name, text);
        return text;
    }

    // The index of an attribute name among the store's names, each kept once (as far as
    // the first few names go: a document of countless names is not searched through).
    std::uint32_t attributeName(QByteArrayView name)
    {
        // The names as they stand in the document, in the order of the store's names.
        const std::vector<QByteArrayView>& names = m_attributeNames;
        // Rows list the same names in the same order: the one after the name before is
        // tried first.
        if (m_nextName < names.size() && sameBytes(names[m_nextName], name))
            return static_cast<std::uint32_t>(m_nextName++);
        const std::size_t searched = std::min<std::size_t>(names.size(), 64);
        std::size_t k = 0;
        while (k < searched && !sameBytes(names[k], name))
            ++k;
        if (k == searched) {
            m_store->names.push_back(QString::fromLatin1(name));
            m_attributeNames.push_back(name);
            k = names.size() - 1;
        }
        m_nextName = k + 1;
        return static_cast<std::uint32_t>(k);
    }

    // Puts the characters of UTF-8 `bytes` into the store's block of values.
    QStringView putValue(QByteArrayView bytes)
    {
        char16_t* out = m_store->values.get() + m_store->valuesUsed;
        qsizetype size = bytes.size();
        qsizetype k = 0;
        for (; k < size && static_cast<unsigned char>(bytes[k]) < 0x80; ++k)
            out[k] = static_cast<unsigned char>(bytes[k]);
        if (k < size) {
            const QString text = QString::fromUtf8(bytes);
            size = text.size();
            std::memcpy(out, text.constData(), static_cast<std::size_t>(size) * sizeof(char16_t));
        }
        m_store->valuesUsed += size;
        return QStringView(out, size);
    }

    // A value in quotes at the reader's place, its references to the five predefined
    // entities replaced; nothing for anything else.
    std::optional<QStringView> quoted()
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
            if (!hasClass(ch, kValueStop))
                continue;
            if (ch == quote)
                break;
            if (ch == '&')
                entities = true;
            else if (ch != '"' && ch != '\'')
                return std::nullopt;   // '<', a tab or a line end
        }
        const QByteArrayView raw(m_p + begin, m_i - begin);
        ++m_i;
        if (!entities)
            return putValue(raw);
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
        return putValue(value);
    }

    // The attributes of a start tag up to its '>' or "/>", into the store when `keep`.
    bool attributes(bool keep)
    {
        std::vector<QByteArrayView>& names = m_tagNames;
        names.clear();
        m_nextName = 0;
        for (;;) {
            const qsizetype before = m_i;
            skipBlanks();
            if (m_i >= m_n)
                return false;
            if (m_p[m_i] == '>' || m_p[m_i] == '/')
                return true;
            if (m_i == before)
                return false;   // no blank before the attribute
            const QByteArrayView name = nameHere();
            if (name.isEmpty() || (name.size() >= 3 && name[0] == 'x' && name[1] == 'm' && name[2] == 'l'))
                return false;
            for (const QByteArrayView seen : names) {
                if (sameBytes(seen, name))
                    return false;
            }
            names.push_back(name);
            skipBlanks();
            if (m_i >= m_n || m_p[m_i] != '=')
                return false;
            ++m_i;
            skipBlanks();
            const qsizetype used = m_store->valuesUsed;
            const std::optional<QStringView> value = quoted();
            if (!value)
                return false;
            if (keep) {
                m_store->entries.push_back({value->utf16(), static_cast<std::uint32_t>(value->size()), attributeName(name)});
            } else {
                m_store->valuesUsed = used;   // a value below the rows is not kept
            }
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
            const qsizetype used = m_store->valuesUsed;
            const std::optional<QStringView> value = quoted();
            bool ok = false;
            for (const char* v : values)
                ok = ok || (value && value->compare(QLatin1StringView(v), Qt::CaseInsensitive) == 0);
            m_store->valuesUsed = used;
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
    std::shared_ptr<XmlAttributes::Store> m_store;
    std::vector<std::pair<QByteArrayView, QString>> m_elementNames;
    std::vector<QByteArrayView> m_tagNames;   // the attribute names of the tag being read
    std::vector<QByteArrayView> m_attributeNames;   // the store's names as they stand in the document
    std::size_t m_nextName = 0;                     // the name the next attribute most likely has
};

// The attributes the stream reader stands on, into the document's store.
XmlAttributes attributesOf(const QXmlStreamReader& r, std::shared_ptr<XmlAttributes::Store>& store)
{
    const QXmlStreamAttributes a = r.attributes();
    if (a.isEmpty())
        return {};
    if (!store)
        store = std::make_shared<XmlAttributes::Store>();
    const std::size_t first = store->entries.size();
    for (const QXmlStreamAttribute& attribute : a) {
        // The texts keep their characters where they are when the list grows.
        store->names.push_back(attribute.qualifiedName().toString());
        store->texts.push_back(attribute.value().toString());
        const QString& value = store->texts.back();
        store->entries.push_back({reinterpret_cast<const char16_t*>(value.constData()), static_cast<std::uint32_t>(value.size()),
                                  static_cast<std::uint32_t>(store->names.size() - 1)});
    }
    return XmlAttributes(store, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(a.size()));
}

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
    std::shared_ptr<XmlAttributes::Store> store;
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
                c.top.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r, store), {}, {}});
            } else if (depth == 1) {
                root().children.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r, store), {}, {}});
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
    return node.attributes.value(name);
}

} // namespace px::xml
