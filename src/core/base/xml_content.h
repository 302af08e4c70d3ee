#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace px::xml {

// The attributes of an element as the stream reader gives them, in document order: the
// qualified name and the value with its references replaced. The texts live in a store
// that the elements of one document share; it lives as long as any of them.
class XmlAttributes {
public:
    struct Attribute {
        QStringView name;
        QStringView value;
    };

    // What the elements of one document share: each attribute name once, the values, and
    // one entry per attribute.
    struct Store {
        struct Entry {
            const char16_t* value;
            std::uint32_t size;
            std::uint32_t name;   // index into names
        };
        std::vector<QString> names;
        // The values, one after the other, in a block that is never moved: it is made as
        // long as the document, which no value of it outgrows.
        std::unique_ptr<char16_t[]> values;
        qsizetype valuesUsed = 0;
        std::vector<QString> texts;   // values that are not in the block (read by the stream reader)
        std::vector<Entry> entries;

        Attribute attribute(const Entry& e) const
        {
            return {names[e.name], QStringView(e.value, static_cast<qsizetype>(e.size))};
        }
    };

    class const_iterator {
    public:
        const_iterator(const Store* store, const Store::Entry* entry) : m_store(store), m_entry(entry) {}
        Attribute operator*() const { return m_store->attribute(*m_entry); }
        const_iterator& operator++()
        {
            ++m_entry;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return m_entry == other.m_entry; }
        bool operator!=(const const_iterator& other) const { return m_entry != other.m_entry; }

    private:
        const Store* m_store;
        const Store::Entry* m_entry;
    };

    qsizetype size() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    const_iterator begin() const { return const_iterator(m_store.get(), first()); }
    const_iterator end() const { return const_iterator(m_store.get(), first() + m_count); }
    // The value of the attribute named `name`; nothing when there is none.
    std::optional<QStringView> value(QStringView name) const;

    // The entries `first` to `first + count - 1` of `store`.
    XmlAttributes(std::shared_ptr<const Store> store, std::uint32_t first, std::uint32_t count)
        : m_store(std::move(store)), m_first(first), m_count(count)
    {
    }
    XmlAttributes() = default;

private:
    const Store::Entry* first() const { return m_store ? m_store->entries.data() + m_first : nullptr; }

    std::shared_ptr<const Store> m_store;
    std::uint32_t m_first = 0;
    std::uint32_t m_count = 0;
};

// The part of a configuration file that every reader of the product reads: the top-level
// nodes, and for a top-level element its child nodes with their attributes and text.
// Comments, processing instructions, the declaration, text that is not only blanks and an
// entity the reader cannot resolve are nodes as well as elements, and so is a document
// type.
struct XmlItem {
    bool element = false;
    QString name;
    XmlAttributes attributes;
    QString text;                    // an element below the top level: all text inside it
    std::vector<XmlItem> children;   // a top-level element: its child nodes in order
};

struct XmlContent {
    std::vector<XmlItem> top;
};

// Reads the document into an XmlContent, the document type among the top-level nodes
// where it stands (but for a document holding an entity the reader cannot resolve, read
// without it as such documents have always been). Throws px::Error naming the file, the
// line and the cause when the document does not parse (see StreamChecks).
XmlContent readXmlContent(const QByteArray& bytes, const QString& name);
// The same read by Qt's stream reader alone. readXmlContent reads plain documents (what the
// configurator writes) itself, and gives for them what this gives.
XmlContent readXmlContentByStreamReader(const QByteArray& bytes, const QString& name);

// The first child element of `parent` named `name`, or none.
const XmlItem* childElement(const XmlItem& parent, const QString& name);
// An attribute's value; nothing when it is absent or the node is no element.
std::optional<QStringView> attributeOf(const XmlItem& node, QStringView name);
// Whether two names are the same, compared in place four characters at a time (names
// are short).
inline bool sameName(QStringView a, QStringView b)
{
    qsizetype n = a.size();
    if (n != b.size())
        return false;
    const QChar* x = a.data();
    const QChar* y = b.data();
    for (; n >= 4; n -= 4, x += 4, y += 4) {
        std::uint64_t u;
        std::uint64_t v;
        std::memcpy(&u, x, sizeof u);
        std::memcpy(&v, y, sizeof v);
        if (u != v)
            return false;
    }
    for (; n > 0; --n, ++x, ++y) {
        if (*x != *y)
            return false;
    }
    return true;
}

// The values of the attributes named `names`, in that order, read in one pass over the
// node's attributes: each as attributeOf gives it.
template <std::size_t N>
std::array<std::optional<QStringView>, N> attributesOf(const XmlItem& node, const std::array<QStringView, N>& names)
{
    std::array<std::optional<QStringView>, N> values;
    std::size_t position = 0;
    for (const XmlAttributes::Attribute a : node.attributes) {
        // Rows mostly hold their attributes in the order asked for: that name is tried first.
        if (position < N && !values[position] && sameName(a.name, names[position])) {
            values[position++] = a.value;
            continue;
        }
        ++position;
        for (std::size_t k = 0; k < N; ++k) {
            if (!values[k] && sameName(a.name, names[k])) {
                values[k] = a.value;
                break;
            }
        }
    }
    return values;
}

} // namespace px::xml
