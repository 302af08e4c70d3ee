#include "core/image/compile_input.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/int_text.h"
#include "core/lang/message_ids.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace px::image {

namespace {

// The root of a document that has none where the rows are looked for: no rows.
const XmlItem kNoRoot;

} // namespace

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

InputFile InputFile::fromContent(const QString& name, XmlContent content)
{
    InputFile f;
    f.m_name = name;
    f.m_exists = true;
    f.m_parsed = true;
    f.m_content = std::move(content);
    return f;
}

const XmlContent& InputFile::content()
{
    if (!m_parsed) {
        if (!m_exists)
            throw Error(msg::kCompileFileMissing, {m_name});
        m_content = xml::readXmlContent(m_bytes ? *m_bytes : readConfigurationFile(m_path), m_name);
        m_parsed = true;
    }
    return m_content;
}

const XmlItem& InputFile::root(Root which)
{
    const XmlContent& c = content();
    if (which == Root::FirstTopLevelNode)
        return c.top.empty() ? kNoRoot : c.top.front();
    for (const XmlItem& item : c.top) {
        if (item.element)
            return item;
    }
    // A document that parsed always has its element; an empty one stands in otherwise.
    return kNoRoot;
}

template <typename Row, typename Convert>
const std::vector<Row>& InputFile::typedRows(std::optional<std::vector<Row>> (&cache)[2], Root which, Convert convert)
{
    const XmlItem& r = root(which);
    // Both roots are the same element in every file the editors write: its rows are
    // converted once for both.
    std::optional<std::vector<Row>>& rows = cache[&r == &root(Root::DocumentElement) ? 0 : 1];
    if (!rows) {
        rows.emplace();
        rows->reserve(r.children.size());
        for (const XmlItem& row : r.children)
            rows->push_back(convert(row));
    }
    return *rows;
}

const std::vector<config::ReceiveFrame>& InputFile::receiveFrames(Root which)
{
    return typedRows(m_receiveFrames, which, [](const XmlItem& row) { return config::receiveFrameOf(row); });
}

const std::vector<config::TransmitFrame>& InputFile::transmitFrames(Root which)
{
    return typedRows(m_transmitFrames, which, [](const XmlItem& row) { return config::transmitFrameOf(row); });
}

const std::vector<config::MappingEntry>& InputFile::mappings(Root which, config::Direction direction)
{
    return typedRows(m_mappings[static_cast<int>(direction)], which, [direction](const XmlItem& row) { return config::mappingEntryOf(row, direction); });
}

void InputFile::takeModelRows(config::Configuration& model, config::ConfigFile file)
{
    using config::ConfigFile;
    using config::Direction;
    if (!m_parsed || m_content.top.empty() || !m_content.top.front().element)
        return;
    const std::vector<XmlItem>& rows = m_content.top.front().children;
    if (!std::all_of(rows.begin(), rows.end(), [](const XmlItem& row) { return row.element; }))
        return;
    // The document element's rows stand first in each cache (see typedRows).
    switch (file) {
    case ConfigFile::ReceiveFrames: m_receiveFrames[0] = std::move(model.receiveFrames); break;
    case ConfigFile::TransmitFrames: m_transmitFrames[0] = std::move(model.transmitFrames); break;
    case ConfigFile::ReceiveMappings: m_mappings[static_cast<int>(Direction::Receive)][0] = std::move(model.receiveMappings); break;
    case ConfigFile::TransmitMappings: m_mappings[static_cast<int>(Direction::Transmit)][0] = std::move(model.transmitMappings); break;
    case ConfigFile::GeneralParameters: break;
    }
}

void CompileInput::takeModelRows(config::Configuration&& model)
{
    using config::ConfigFile;
    rCobDef.takeModelRows(model, ConfigFile::ReceiveFrames);
    tCobDef.takeModelRows(model, ConfigFile::TransmitFrames);
    rInfoCob.takeModelRows(model, ConfigFile::ReceiveMappings);
    tInfoCob.takeModelRows(model, ConfigFile::TransmitMappings);
}

CompileInput CompileInput::fromFolder(const QString& configurationFolder)
{
    using config::ConfigFile;
    const auto file = [&configurationFolder](ConfigFile f) { return InputFile::fromPath(configurationFolder + u'/' + config::fileName(f)); };
    return CompileInput{file(ConfigFile::GeneralParameters), file(ConfigFile::ReceiveFrames), file(ConfigFile::TransmitFrames),
                        file(ConfigFile::ReceiveMappings), file(ConfigFile::TransmitMappings)};
}

ConfigurationRead readConfigurationOnce(const QString& folder)
{
    using config::ConfigFile;
    const QFileInfo info(folder);
    if (!info.isDir())
        throw Error(msg::kNotConfigurationFolder, {displayPath(folder)});
    // As config::readConfiguration: every file read first, then parsed and read file by file.
    QString paths[5];
    std::optional<QByteArray> bytes[5];
    for (int i = 0; i < 5; ++i) {
        paths[i] = folder + u'/' + config::fileName(static_cast<ConfigFile>(i));
        if (configurationFileExists(paths[i]))
            bytes[i] = readConfigurationFile(paths[i]);
    }
    std::optional<XmlContent> contents[5];
    ConfigurationRead read;
    try {
        read.configuration = config::readConfigurationContents(info.fileName(), [&](ConfigFile file) -> const XmlContent* {
            const auto i = static_cast<std::size_t>(file);
            if (!bytes[i])
                return nullptr;
            contents[i] = xml::readXmlContent(*bytes[i], config::fileName(file));
            return &*contents[i];
        });
    } catch (const Error& e) {
        throw Error(msg::kInFolder, {displayPath(QDir(folder).absolutePath()), e});
    }
    InputFile files[5];
    for (int i = 0; i < 5; ++i) {
        files[i] = contents[i] ? InputFile::fromContent(displayPath(paths[i]), std::move(*contents[i]))
                               : InputFile::fromBytes(displayPath(paths[i]), std::nullopt);
    }
    read.input = CompileInput{std::move(files[0]), std::move(files[1]), std::move(files[2]), std::move(files[3]),
                              std::move(files[4])};
    return read;
}

namespace {

Message rowPlace(const RowRef& r, const QString& attribute)
{
    return Message(msg::kPlaceRowAttribute, {r.file, r.row + 1, attribute});
}

[[noreturn]] void notInteger(const Message& place, QStringView value)
{
    throw Error(msg::kValueNotInteger, {place, value});
}

[[noreturn]] void missing(const Message& place)
{
    throw Error(msg::kValueMissing, {place});
}

} // namespace

std::optional<QString> elementText(const XmlItem& root, const QString& element)
{
    const XmlItem* e = childElement(root, element);
    return e ? std::optional<QString>(e->text) : std::nullopt;
}

std::int32_t strictInt(const RowRef& row, const QString& attribute, std::optional<QStringView> value)
{
    if (!value)
        missing(rowPlace(row, attribute));
    const auto v = parseInt32(*value);
    if (!v)
        notInteger(rowPlace(row, attribute), *value);
    return *v;
}

std::int64_t strictInt64(const RowRef& row, const QString& attribute, std::optional<QStringView> value)
{
    if (!value)
        missing(rowPlace(row, attribute));
    const auto v = parseInt64(*value);
    if (!v)
        notInteger(rowPlace(row, attribute), *value);
    return *v;
}

std::optional<QStringView> storedText(const config::FrameRow& frame, const QString& attribute, const QString& text)
{
    return frame.has(attribute) ? std::optional<QStringView>(text) : std::nullopt;
}

std::int32_t strictElementInt(const QString& file, const XmlItem& root, const QString& element)
{
    const auto value = elementText(root, element);
    const Message place(msg::kPlaceElement, {file, element});
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
    const Message place(msg::kPlaceElementAttribute, {file, element, attribute});
    if (!e)
        throw Error(msg::kElementMissing, {file, element});
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
    const auto value = e ? attributeOf(*e, attribute) : std::nullopt;
    return value ? toInt32(*value, fallback) : fallback;
}

} // namespace px::image
