#pragma once

#include "core/base/text_rules.h"
#include "core/base/xml_content.h"
#include "core/config/configuration.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

namespace px::image {

// The XML reading every configuration file goes through lives in core/base.
using xml::XmlItem;
using xml::XmlContent;
using xml::childElement;
using xml::attributeOf;

// The element whose child nodes are a file's rows. The legacy image takes the document
// element; the current images (and the editors) take the first top-level node, whatever it
// is, so a comment or declaration before the root hides every row from them. Both are the
// same element in every file the editors write.
enum class Root { DocumentElement, FirstTopLevelNode };

// One of the five configuration files as the compiler sees it: present or missing, read
// and parsed at most once per compile, on first use, so every step that reads the file
// sees the same document and a parse error surfaces where the first step needs the file.
// Its rows are converted into the configuration model's rows once per root, and once for
// both roots when they are the same element.
class InputFile {
public:
    InputFile() = default;
    // The file at `path`; a missing file contributes nothing (it is not an error). Anything
    // else in its place that is no file throws px::Error (configurationFileExists).
    static InputFile fromPath(const QString& path);
    // A file held in memory under `name`; no bytes means the file is missing.
    static InputFile fromBytes(const QString& name, std::optional<QByteArray> bytes);
    // A file that was read and parsed already, under `name`.
    static InputFile fromContent(const QString& name, XmlContent content);

    bool exists() const { return m_exists; }
    const QString& name() const { return m_name; }
    // The parsed content; throws px::Error naming the file when it cannot be read or parsed.
    const XmlContent& content();

    // The root element of the rows (an empty node when the document has none there).
    const XmlItem& root(Root which);
    // The rows as stored, one node each (comments and text included, as the compiler
    // counts rows), and the same rows read into the model's frame and mapping rows.
    const std::vector<XmlItem>& rows(Root which) { return root(which).children; }
    const std::vector<config::ReceiveFrame>& receiveFrames(Root which);
    const std::vector<config::TransmitFrame>& transmitFrames(Root which);
    const std::vector<config::MappingEntry>& mappings(Root which, config::Direction direction);

    // Takes the rows the configuration model read from this file, `file` of `model`, as the
    // compile's rows where they are the same: the first top-level node is the document
    // element and every child node of it is a row element (then the model read each of
    // them as the compile reads it). The model's rows of that file are moved out.
    void takeModelRows(config::Configuration& model, config::ConfigFile file);

private:
    template <typename Row, typename Convert>
    const std::vector<Row>& typedRows(std::optional<std::vector<Row>> (&cache)[2], Root which, Convert convert);

    QString m_name;
    QString m_path;
    std::optional<QByteArray> m_bytes;
    bool m_exists = false;
    bool m_parsed = false;
    XmlContent m_content;
    std::optional<std::vector<config::ReceiveFrame>> m_receiveFrames[2];
    std::optional<std::vector<config::TransmitFrame>> m_transmitFrames[2];
    std::optional<std::vector<config::MappingEntry>> m_mappings[2][2];   // by direction, then root
};

// The five files a configuration compiles from.
struct CompileInput {
    InputFile parGen;
    InputFile rCobDef;
    InputFile tCobDef;
    InputFile rInfoCob;
    InputFile tInfoCob;

    // The files of the configuration folder `configurationFolder` (ParGen.xml, RCobDef.xml, ...).
    static CompileInput fromFolder(const QString& configurationFolder);

    // Takes the rows of `model`, read from these files, as the compile's rows wherever they
    // are the same (see InputFile::takeModelRows), so they are not read a second time.
    void takeModelRows(config::Configuration&& model);
};

// A configuration folder read once: each of the five files read and parsed once, for the
// configuration model and for the compile alike. The compile sees each file's rows as it
// always does (both of its views of them), so its images are the same bytes. Once the
// model is no longer needed, input.takeModelRows(std::move(configuration)) spares the
// compile converting the rows again.
struct ConfigurationRead {
    config::Configuration configuration;
    CompileInput input;
};
// Throws px::Error as config::readConfiguration does, with the same texts.
ConfigurationRead readConfigurationOnce(const QString& folder);

// The conversions with which the compiler reads values that stop the compile. Each throws
// px::Error whose text names the file, the row, the attribute and the cause: the value is
// missing (nothing), or its text is no integer. `row` counts the root's child nodes from 0.
struct RowRef {
    const QString& file;
    int row;
};
std::int32_t strictInt(const RowRef& row, const QString& attribute, std::optional<QStringView> value);
std::int64_t strictInt64(const RowRef& row, const QString& attribute, std::optional<QStringView> value);
// A frame row's stored text of `attribute` (`text`), or nothing when the row lacks it.
std::optional<QStringView> storedText(const config::FrameRow& frame, const QString& attribute, const QString& text);

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
