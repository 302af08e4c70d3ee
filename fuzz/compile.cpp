// The whole compile of the five files (ParGen.xml, RCobDef.xml, TCobDef.xml,
// RInfoCob.xml, TInfoCob.xml, cut at NUL bytes; the files after the last part are
// missing), and for each file: the compiler's reader and the editors' reader agree on
// whether it parses and on the nodes of its root element.

#include "fuzz_support.h"

#include "core/base/error.h"
#include "core/base/xml.h"
#include "core/base/xml_content.h"
#include "core/image/compiler.h"
#include "core/image/image_layout.h"

#include <QStringList>

#include <optional>

namespace {

using px::xml::XmlItem;

QString describe(const XmlItem& item)
{
    if (!item.element)
        return QStringLiteral("node");
    QStringList parts{item.name};
    QStringList attrs;
    for (const QXmlStreamAttribute& a : item.attributes)
        attrs << a.qualifiedName().toString() + u'=' + a.value().toString();
    attrs.sort();
    parts << attrs << QStringLiteral("text[") + item.text + u']';
    QStringList children;
    for (const XmlItem& c : item.children)
        children << describe(c);
    return parts.join(u' ') + QStringLiteral(" {") + children.join(QStringLiteral(", ")) + u'}';
}

// The root element as a reader sees it, or nothing when the file does not parse.
std::optional<QString> rootOf(const QByteArray& bytes, bool streamed)
{
    try {
        const px::xml::XmlContent c = streamed ? px::xml::readXmlContent(bytes, QStringLiteral("f.xml"))
                                               : px::xml::xmlContentOf(px::xml::parse(bytes, QStringLiteral("f.xml")));
        for (const XmlItem& item : c.top) {
            if (item.element)
                return describe(item);
        }
        return QString();
    } catch (const px::Error&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<QByteArray> files = px::fuzz::filesOf(px::fuzz::bytesOf(data, size), 5);
    for (const QByteArray& f : files) {
        const auto streamed = rootOf(f, true);
        const auto modelled = rootOf(f, false);
        FUZZ_PROPERTY(streamed.has_value() == modelled.has_value());
        FUZZ_PROPERTY(!streamed || *streamed == *modelled);
    }
    const auto file = [&files](std::size_t i, const char* name) {
        return px::image::InputFile::fromBytes(QLatin1StringView(name),
                                               i < files.size() ? std::optional<QByteArray>(files[i]) : std::nullopt);
    };
    px::image::CompileInput input{file(0, "ParGen.xml"), file(1, "RCobDef.xml"), file(2, "TCobDef.xml"),
                                  file(3, "RInfoCob.xml"), file(4, "TInfoCob.xml")};
    try {
        const px::image::ConfigurationImage image = px::image::compileConfiguration(input);
        namespace layout = px::image::layout;
        FUZZ_PROPERTY(image.bank2.size() == layout::kBank2Size && image.esp32_1.size() == layout::kEsp32RecordImageSize
                      && image.esp32_2.size() == layout::kEsp32TablesImageSize);
    } catch (const px::Error&) {
    }
    return 0;
}
