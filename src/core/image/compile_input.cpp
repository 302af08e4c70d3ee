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
    f.m_exists = configurationFileExists(path);
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
        m_content = readXmlContent(m_bytes ? *m_bytes : readConfigurationFile(m_path), m_name);
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

} // namespace px::image
