#include "core/shell/app_settings.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/xml.h"

#include <QDomDocument>

namespace px {
namespace {

std::optional<QString> valueOf(const QDomNode& root, const QString& group, const QString& value)
{
    return xml::childText(xml::child(root, group), value);
}

bool flagOf(const QDomNode& root, const QString& value)
{
    const auto text = valueOf(root, QStringLiteral("lastinternet"), value);
    return text && *text == QStringLiteral("1");
}

void requireStorable(const QString& text, const QString& what)
{
    if (!storableInXml(text)) {
        throw Error(QStringLiteral("The settings were not saved: the %1 holds a character that the settings file "
                                   "cannot store.")
                        .arg(what));
    }
}

} // namespace


AppSettings parseSettings(const QByteArray& bytes)
{
    AppSettings s;
    QDomDocument doc;
    // A file that does not parse gives the defaults of a missing one; it is parsed as
    // every configuration file is, so a file nested thousands of levels deep is refused
    // at once instead of stalling the start.
    try {
        doc = xml::parse(bytes, QStringLiteral("Orvane.xml"));
    } catch (const Error&) {
        return s;
    }
    const QDomNode root = xml::firstTopLevelNode(doc);
    s.Active_Conf = valueOf(root, QStringLiteral("lastproj"), QStringLiteral("projectname")).value_or(QString());
    s.Last_IP = valueOf(root, QStringLiteral("lastipadd"), QStringLiteral("ipaddress")).value_or(s.Last_IP);
    s.Language = valueOf(root, QStringLiteral("lastlang"), QStringLiteral("language")).value_or(s.Language);
    s.Enable_Internet = flagOf(root, QStringLiteral("enable_internet"));
    s.Enable_Update = flagOf(root, QStringLiteral("enable_update"));
    s.Enable_Jump_Field_Tables = flagOf(root, QStringLiteral("enable_jump_field_tables"));
    s.Double_Click_Auto_Size = flagOf(root, QStringLiteral("Double_Click_Auto_Size"));
    return s;
}

AppSettings loadSettings(const QString& path)
{
    // Whatever cannot be read gives the defaults, as a missing file does: something that is
    // no file (a pipe is never opened) or a file larger than any settings file.
    QByteArray bytes;
    try {
        bytes = readConfigurationFile(path);
    } catch (const Error&) {
        return {};
    }
    return parseSettings(bytes);
}

QByteArray serializeSettings(const AppSettings& s)
{
    requireStorable(s.Active_Conf, QStringLiteral("name of the last configuration"));
    requireStorable(s.Last_IP, QStringLiteral("device address"));
    requireStorable(s.Language, QStringLiteral("language"));
    QDomDocument doc = xml::newPlainDocument(QStringLiteral("Conf_Settings"));
    QDomElement root = doc.documentElement();
    auto group = [&](const QString& name) {
        QDomElement g = doc.createElement(name);
        root.appendChild(g);
        return g;
    };
    auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };

    QDomElement g = group(QStringLiteral("lastproj"));
    xml::appendTextElement(doc, g, QStringLiteral("projectname"), s.Active_Conf);
    g = group(QStringLiteral("lastipadd"));
    xml::appendTextElement(doc, g, QStringLiteral("ipaddress"), s.Last_IP);
    g = group(QStringLiteral("lastlang"));
    xml::appendTextElement(doc, g, QStringLiteral("language"), s.Language);
    g = group(QStringLiteral("lastinternet"));
    xml::appendTextElement(doc, g, QStringLiteral("enable_internet"), flag(s.Enable_Internet));
    xml::appendTextElement(doc, g, QStringLiteral("enable_update"), flag(s.Enable_Update));
    xml::appendTextElement(doc, g, QStringLiteral("enable_jump_field_tables"), flag(s.Enable_Jump_Field_Tables));
    xml::appendTextElement(doc, g, QStringLiteral("Double_Click_Auto_Size"), flag(s.Double_Click_Auto_Size));
    return xml::serialize(doc);
}

void saveSettings(const QString& path, const AppSettings& settings)
{
    writeFileAtomically(path, serializeSettings(settings));
}

} // namespace px
