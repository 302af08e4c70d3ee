#pragma once

#include "core/base/text_rules.h"
#include "core/base/xml_content.h"

#include <QByteArray>
#include <QDomDocument>
#include <QString>
#include <QStringView>
#include <QXmlStreamAttributes>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace px::image {

// The XML reading every configuration file goes through lives in core/base.
using xml::XmlItem;
using xml::XmlContent;
using xml::readXmlContent;
using xml::xmlContentOf;
using xml::childElement;
using xml::attributeOf;

// One of the five configuration files as the compiler sees it: present or missing, read
// and parsed at most once per compile, on first use, so every step that reads the file
// sees the same document and a parse error surfaces where the first step needs the file.
class InputFile {
public:
    InputFile() = default;
    // The file at `path`; a missing file contributes nothing (it is not an error). Anything
    // else in its place that is no file throws px::Error (configurationFileExists).
    static InputFile fromPath(const QString& path);
    // A file held in memory under `name`; no bytes means the file is missing.
    static InputFile fromBytes(const QString& name, std::optional<QByteArray> bytes);

    bool exists() const { return m_exists; }
    const QString& name() const { return m_name; }
    // The parsed content; throws px::Error naming the file when it cannot be read or parsed.
    const XmlContent& content();

    // The root as the legacy image reads it: the document element.
    const XmlItem& documentElement();
    // The root as the current images read it: the first top-level node, whatever it is.
    const XmlItem& firstTopLevelNode();

private:
    QString m_name;
    QString m_path;
    std::optional<QByteArray> m_bytes;
    bool m_exists = false;
    bool m_parsed = false;
    XmlContent m_content;
};

// The five files a configuration compiles from.
struct CompileInput {
    InputFile parGen;
    InputFile rCobDef;
    InputFile tCobDef;
    InputFile rInfoCob;
    InputFile tInfoCob;

    // The files of the configuration folder `confFolder` (ParGen.xml, RCobDef.xml, ...).
    static CompileInput fromFolder(const QString& confFolder);
};

// The conversions with which the compiler reads values. Each failing strict conversion
// throws px::Error whose text names the file, the row or element, the attribute and the
// cause. `row` is the row's position among the root's children, from 0.
struct RowRef {
    const QString& file;
    const XmlItem& node;
    int row;
};

// An attribute's text; empty when it is missing (or the row is no element).
QStringView text(const XmlItem& node, QStringView attribute);

std::int32_t strictInt(const RowRef& row, const QString& attribute);
std::int64_t strictInt64(const RowRef& row, const QString& attribute);
std::optional<std::int64_t> tryInt64(const XmlItem& node, const QString& attribute);
std::int32_t intOr(const XmlItem& node, const QString& attribute, std::int32_t fallback);

// Element values among the children of a root (general parameters).
std::optional<QString> elementText(const XmlItem& root, const QString& element);
std::int32_t strictElementInt(const QString& file, const XmlItem& root, const QString& element);
std::int32_t strictElementAttributeInt(const QString& file, const XmlItem& root, const QString& element,
                                       const QString& attribute);
std::optional<std::int32_t> tryElementInt(const XmlItem& root, const QString& element);
std::int32_t elementIntOr(const XmlItem& root, const QString& element, std::int32_t fallback);
std::int32_t elementAttributeIntOr(const XmlItem& root, const QString& element, const QString& attribute,
                                   std::int32_t fallback);

// Trimming and ASCII upper-casing of values: the one rule of core/base.
using px::trimBlanks;
using px::equalsUpperAscii;

} // namespace px::image
