#include "core/image/compile_input.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/base/xml.h"

#include <QFileInfo>

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

const QDomDocument& InputFile::document()
{
    if (!m_parsed) {
        if (!m_exists)
            throw Error(QStringLiteral("%1: the file does not exist").arg(m_name));
        m_doc = xml::parse(m_bytes ? *m_bytes : readWholeFile(m_path), m_name);
        m_parsed = true;
    }
    return m_doc;
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

[[noreturn]] void notInteger(const QString& place, const QString& value)
{
    throw Error(QStringLiteral("%1: \"%2\" is not an integer").arg(place, value));
}

[[noreturn]] void missing(const QString& place)
{
    throw Error(QStringLiteral("%1: the value is missing").arg(place));
}

} // namespace

QString text(const QDomNode& node, const QString& attribute)
{
    return xml::attribute(node, attribute).value_or(QString());
}

std::int32_t strictInt(const RowRef& row, const QString& attribute)
{
    const auto value = xml::attribute(row.node, attribute);
    if (!value)
        missing(rowPlace(row, attribute));
    const auto v = parseInt32(*value);
    if (!v)
        notInteger(rowPlace(row, attribute), *value);
    return *v;
}

std::int64_t strictInt64(const RowRef& row, const QString& attribute)
{
    const auto value = xml::attribute(row.node, attribute);
    if (!value)
        missing(rowPlace(row, attribute));
    const auto v = parseInt64(*value);
    if (!v)
        notInteger(rowPlace(row, attribute), *value);
    return *v;
}

std::optional<std::int64_t> tryInt64(const QDomNode& node, const QString& attribute)
{
    const auto value = xml::attribute(node, attribute);
    return value ? parseInt64(*value) : std::nullopt;
}

std::int32_t intOr(const QDomNode& node, const QString& attribute, std::int32_t fallback)
{
    const auto value = xml::attribute(node, attribute);
    return value ? toInt32(*value, fallback) : fallback;
}

std::int32_t strictElementInt(const QString& file, const QDomNode& root, const QString& element)
{
    const auto value = xml::childText(root, element);
    const QString place = QStringLiteral("%1, element %2").arg(file, element);
    if (!value)
        missing(place);
    const auto v = parseInt32(*value);
    if (!v)
        notInteger(place, *value);
    return *v;
}

std::int32_t strictElementAttributeInt(const QString& file, const QDomNode& root, const QString& element,
                                       const QString& attribute)
{
    const QDomElement e = xml::child(root, element);
    const QString place = QStringLiteral("%1, element %2, attribute %3").arg(file, element, attribute);
    if (e.isNull())
        throw Error(QStringLiteral("%1, element %2: the element is missing").arg(file, element));
    const auto value = xml::attribute(e, attribute);
    if (!value)
        missing(place);
    const auto v = parseInt32(*value);
    if (!v)
        notInteger(place, *value);
    return *v;
}

std::optional<std::int32_t> tryElementInt(const QDomNode& root, const QString& element)
{
    const auto value = xml::childText(root, element);
    return value ? parseInt32(*value) : std::nullopt;
}

std::int32_t elementIntOr(const QDomNode& root, const QString& element, std::int32_t fallback)
{
    return tryElementInt(root, element).value_or(fallback);
}

std::int32_t elementAttributeIntOr(const QDomNode& root, const QString& element, const QString& attribute,
                                   std::int32_t fallback)
{
    return intOr(xml::child(root, element), attribute, fallback);
}

QString trimBlanks(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

QString upperAscii(const QString& s)
{
    QString r = s;
    for (QChar& c : r) {
        if (c.unicode() >= u'a' && c.unicode() <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return r;
}

} // namespace px::image
