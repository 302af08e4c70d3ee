#include "core/image/compile_input.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/xml.h"

#include <QDomNamedNodeMap>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace px::image {

InputFile InputFile::fromPath(const QString& path)
{
    InputFile f;
    f.m_path = path;
    f.m_name = displayPath(path);
    const QFileInfo info(path);
    f.m_exists = info.exists() && !info.isDir();
    return f;
}

InputFile InputFile::fromBytes(const QString& name, std::optional<QByteArray> bytes)
{
    InputFile f;
    f.m_name = name;
    f.m_exists = bytes.has_value();
    f.m_bytes = std::move(bytes);
    return f;
}

const XmlContent& InputFile::content()
{
    if (!m_parsed) {
        if (!m_exists)
            throw Error(QStringLiteral("%1: the file does not exist").arg(m_name));
        m_content = readXmlContent(m_bytes ? *m_bytes : readWholeFile(m_path), m_name);
        m_parsed = true;
    }
    return m_content;
}

const XmlItem& InputFile::documentElement()
{
    for (const XmlItem& item : content().top) {
        if (item.element)
            return item;
    }
    // A document that parsed always has its element; an empty one stands in otherwise.
    static const XmlItem none;
    return none;
}

const XmlItem& InputFile::firstTopLevelNode()
{
    const XmlContent& c = content();
    static const XmlItem none;
    return c.top.empty() ? none : c.top.front();
}

namespace {

// Text made only of XML's own blanks (space, tab, line feed, carriage return) between
// elements is no node. Other spaces, a no-break space among them, are text like any
// other, as every standard XML reader keeps them.
bool xmlBlank(QStringView text)
{
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
    }
    return true;
}

QXmlStreamAttributes attributesOf(const QXmlStreamReader& r)
{
    return r.attributes();
}

XmlItem itemOf(const QDomNode& n)
{
    XmlItem item;
    item.element = n.isElement();
    if (item.element) {
        item.name = n.nodeName();
        const QDomNamedNodeMap attrs = n.attributes();
        for (int i = 0; i < attrs.count(); ++i) {
            const QDomNode a = attrs.item(i);
            item.attributes.append(QXmlStreamAttribute(a.nodeName(), a.nodeValue()));
        }
    }
    return item;
}

} // namespace

XmlContent xmlContentOf(const QDomDocument& doc)
{
    XmlContent c;
    for (QDomNode n = doc.firstChild(); !n.isNull(); n = n.nextSibling()) {
        XmlItem item = itemOf(n);
        if (item.element) {
            for (QDomNode m = n.firstChild(); !m.isNull(); m = m.nextSibling()) {
                XmlItem child = itemOf(m);
                if (child.element)
                    child.text = m.toElement().text();
                item.children.push_back(std::move(child));
            }
        }
        c.top.push_back(std::move(item));
    }
    return c;
}

XmlContent readXmlContent(const QByteArray& bytes, const QString& name)
{
    // The same tokens the document model is built from, kept as it keeps them: text that
    // is only blanks is dropped, CDATA is kept, the declaration is a node of its own
    // (and so is the document type, which the model keeps apart).
    QXmlStreamReader r(bytes);
    r.setNamespaceProcessing(false);
    XmlContent c;
    int depth = 0;
    bool elementSeen = false;
    bool typeSeen = false;
    bool unusual = false;
    // A document type stands only before the root element, and only once. The stream
    // reader reports a misplaced one as a token like any other; the document model
    // refuses it, and so does this reader, with the model's text and place.
    const auto refuse = [&](const QString& cause) {
        throw Error(QStringLiteral("The file %1 is not valid XML: line %2, column %3: %4")
                        .arg(name)
                        .arg(r.lineNumber())
                        .arg(r.columnNumber())
                        .arg(cause));
    };
    // Nodes are appended through the last root and its last row, never through a pointer
    // kept across appends: the lists they stand in may grow and move.
    const auto root = [&c]() -> XmlItem& { return c.top.back(); };
    while (!r.atEnd() && !unusual) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartDocument:
            if (!r.documentVersion().isEmpty())
                c.top.emplace_back();
            break;
        case QXmlStreamReader::DTD:
            if (elementSeen)
                refuse(QStringLiteral("Unexpected token"));
            if (typeSeen)
                refuse(QStringLiteral("Multiple DTD sections are not allowed"));
            typeSeen = true;
            // A top-level node of its own. The reader itself expands the entities it
            // declares and adds the default attributes, as the document model does.
            c.top.emplace_back();
            break;
        case QXmlStreamReader::EntityReference:
            unusual = true;
            break;
        case QXmlStreamReader::StartElement:
            if (depth == 0) {
                elementSeen = true;
                c.top.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r), {}, {}});
            } else if (depth == 1) {
                root().children.push_back(XmlItem{true, r.qualifiedName().toString(), attributesOf(r), {}, {}});
            }
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (r.isCDATA() || !xmlBlank(r.text())) {
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
    }
    if (unusual)
        return xmlContentOf(xml::parse(bytes, name));
    if (r.hasError()) {
        // The text the document model would give, taken from this reading: the model
        // builds ever more slowly with the depth of a document, broken ones included.
        throw Error(QStringLiteral("The file %1 is not valid XML: line %2, column %3: %4")
                        .arg(name)
                        .arg(r.lineNumber())
                        .arg(r.columnNumber())
                        .arg(r.errorString()));
    }
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

CompileInput CompileInput::fromFolder(const QString& confFolder)
{
    const QString base = confFolder + u'/';
    return CompileInput{
        InputFile::fromPath(base + QStringLiteral("ParGen.xml")),
        InputFile::fromPath(base + QStringLiteral("RCobDef.xml")),
        InputFile::fromPath(base + QStringLiteral("TCobDef.xml")),
        InputFile::fromPath(base + QStringLiteral("RInfoCob.xml")),
        InputFile::fromPath(base + QStringLiteral("TInfoCob.xml")),
    };
}

namespace {

QString rowPlace(const RowRef& r, const QString& attribute)
{
    return QStringLiteral("%1, row %2, attribute %3").arg(r.file).arg(r.row + 1).arg(attribute);
}

[[noreturn]] void notInteger(const QString& place, QStringView value)
{
    throw Error(QStringLiteral("%1: \"%2\" is not an integer").arg(place, value));
}

[[noreturn]] void missing(const QString& place)
{
    throw Error(QStringLiteral("%1: the value is missing").arg(place));
}

} // namespace

QStringView text(const XmlItem& node, QStringView attribute)
{
    return attributeOf(node, attribute).value_or(QStringView());
}

std::optional<QString> elementText(const XmlItem& root, const QString& element)
{
    const XmlItem* e = childElement(root, element);
    return e ? std::optional<QString>(e->text) : std::nullopt;
}

std::int32_t strictInt(const RowRef& row, const QString& attribute)
{
    const auto value = attributeOf(row.node, attribute);
    if (!value)
        missing(rowPlace(row, attribute));
    const auto v = parseInt32(*value);
    if (!v)
        notInteger(rowPlace(row, attribute), *value);
    return *v;
}

std::int64_t strictInt64(const RowRef& row, const QString& attribute)
{
    const auto value = attributeOf(row.node, attribute);
    if (!value)
        missing(rowPlace(row, attribute));
    const auto v = parseInt64(*value);
    if (!v)
        notInteger(rowPlace(row, attribute), *value);
    return *v;
}

std::optional<std::int64_t> tryInt64(const XmlItem& node, const QString& attribute)
{
    const auto value = attributeOf(node, attribute);
    return value ? parseInt64(*value) : std::nullopt;
}

std::int32_t intOr(const XmlItem& node, const QString& attribute, std::int32_t fallback)
{
    const auto value = attributeOf(node, attribute);
    return value ? toInt32(*value, fallback) : fallback;
}

std::int32_t strictElementInt(const QString& file, const XmlItem& root, const QString& element)
{
    const auto value = elementText(root, element);
    const QString place = QStringLiteral("%1, element %2").arg(file, element);
    if (!value)
        missing(place);
    const auto v = parseInt32(*value);
    if (!v)
        notInteger(place, *value);
    return *v;
}

std::int32_t strictElementAttributeInt(const QString& file, const XmlItem& root, const QString& element,
                                       const QString& attribute)
{
    const XmlItem* e = childElement(root, element);
    const QString place = QStringLiteral("%1, element %2, attribute %3").arg(file, element, attribute);
    if (!e)
        throw Error(QStringLiteral("%1, element %2: the element is missing").arg(file, element));
    const auto value = attributeOf(*e, attribute);
    if (!value)
        missing(place);
    const auto v = parseInt32(*value);
    if (!v)
        notInteger(place, *value);
    return *v;
}

std::optional<std::int32_t> tryElementInt(const XmlItem& root, const QString& element)
{
    const auto value = elementText(root, element);
    return value ? parseInt32(*value) : std::nullopt;
}

std::int32_t elementIntOr(const XmlItem& root, const QString& element, std::int32_t fallback)
{
    return tryElementInt(root, element).value_or(fallback);
}

std::int32_t elementAttributeIntOr(const XmlItem& root, const QString& element, const QString& attribute,
                                   std::int32_t fallback)
{
    const XmlItem* e = childElement(root, element);
    return e ? intOr(*e, attribute, fallback) : fallback;
}

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

bool equalsUpperAscii(QStringView s, QLatin1StringView upper)
{
    if (s.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char16_t c = s[i].unicode();
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - (u'a' - u'A'));
        if (c != static_cast<char16_t>(static_cast<unsigned char>(upper[i].toLatin1())))
            return false;
    }
    return true;
}

} // namespace px::image
