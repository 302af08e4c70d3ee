#include "core/shell/app_settings.h"

#include "core/base/atomic_file.h"
#include "core/base/error.h"
#include "core/base/xml.h"
#include "core/base/xml_writer.h"
#include "core/lang/message_ids.h"

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <optional>

namespace px {
namespace {

// The values of the settings file by group and name. As the file has always been read, the
// root is its first top-level node other than a document type (a declaration or comment
// before the root element leaves every value at its default), and only the first group of
// a name and the first value of a name in it count. A value's text is all text inside it,
// text of blanks between elements aside.
class SettingsValues {
public:
    explicit SettingsValues(const QByteArray& bytes)
    {
        bool rootSeen = false;
        QString group;               // the group being read; empty: none that counts
        QSet<QString> groupsSeen;    // groups met before, counting or not
        QSet<QString> valuesSeen;    // values met in the group being read
        QString* value = nullptr;    // the text of the value being read
        const auto visit = [&](const QXmlStreamReader& r, QXmlStreamReader::TokenType token, int depth) {
            switch (token) {
            case QXmlStreamReader::StartDocument:
                if (!r.documentVersion().isEmpty())
                    rootSeen = true;  // the declaration is the first node
                break;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
                if (depth == 0)
                    rootSeen = true;
                break;
            case QXmlStreamReader::StartElement:
                if (depth == 0) {
                    m_rootIsElement = !rootSeen;
                    rootSeen = true;
                } else if (depth == 1) {
                    const QString g = r.qualifiedName().toString();
                    group = m_rootIsElement && !groupsSeen.contains(g) ? g : QString();
                    groupsSeen.insert(g);
                    valuesSeen.clear();
                } else if (depth == 2 && !group.isEmpty()) {
                    const QString v = r.qualifiedName().toString();
                    value = valuesSeen.contains(v) ? nullptr : &m_values[group + u'/' + v];
                    valuesSeen.insert(v);
                }
                break;
            case QXmlStreamReader::EndElement:
                if (depth == 2)
                    value = nullptr;
                else if (depth == 1)
                    group.clear();
                break;
            case QXmlStreamReader::Characters:
                if (value && depth >= 3 && xml::isTextNode(r))
                    *value += r.text();
                break;
            default:
                break;
            }
        };
        xml::readCheckedTokens(bytes, QStringLiteral("Orvane.xml"), visit);
    }

    std::optional<QString> value(const QString& group, const QString& name) const
    {
        const auto it = m_values.find(group + u'/' + name);
        return it == m_values.end() ? std::nullopt : std::optional<QString>(*it);
    }

    bool flag(const QString& name) const
    {
        const auto text = value(QStringLiteral("lastinternet"), name);
        return text && *text == QStringLiteral("1");
    }

private:
    bool m_rootIsElement = false;
    QHash<QString, QString> m_values;
};

// `what`: the message naming the setting.
void requireStorable(const QString& text, int what)
{
    if (!storableInXml(text)) {
        throw Error(msg::kSettingUnstorable, {Message(what)});
    }
}

} // namespace


AppSettings parseSettings(const QByteArray& bytes)
{
    AppSettings s;
    // A file that does not parse gives the defaults of a missing one; it is read as every
    // configuration file is, so a file nested thousands of levels deep is refused at once
    // instead of stalling the start.
    std::optional<SettingsValues> values;
    try {
        values.emplace(bytes);
    } catch (const Error&) {
        return s;
    }
    s.lastConfiguration = values->value(QStringLiteral("lastproj"), QStringLiteral("projectname")).value_or(QString());
    s.lastDeviceAddress = values->value(QStringLiteral("lastipadd"), QStringLiteral("ipaddress")).value_or(s.lastDeviceAddress);
    s.language = values->value(QStringLiteral("lastlang"), QStringLiteral("language")).value_or(s.language);
    s.internetEnabled = values->flag(QStringLiteral("enable_internet"));
    s.updateCheckEnabled = values->flag(QStringLiteral("enable_update"));
    s.jumpFieldsInTables = values->flag(QStringLiteral("enable_jump_field_tables"));
    s.doubleClickAutoSize = values->flag(QStringLiteral("Double_Click_Auto_Size"));
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
    requireStorable(s.lastConfiguration, msg::kSettingLastConfiguration);
    requireStorable(s.lastDeviceAddress, msg::kSettingDeviceAddress);
    requireStorable(s.language, msg::kSettingLanguage);
    const auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    xml::PlainXmlWriter w;
    w.begin(QLatin1StringView("Conf_Settings"));
    w.begin(QLatin1StringView("lastproj"));
    w.textElement(QLatin1StringView("projectname"), s.lastConfiguration);
    w.end();
    w.begin(QLatin1StringView("lastipadd"));
    w.textElement(QLatin1StringView("ipaddress"), s.lastDeviceAddress);
    w.end();
    w.begin(QLatin1StringView("lastlang"));
    w.textElement(QLatin1StringView("language"), s.language);
    w.end();
    w.begin(QLatin1StringView("lastinternet"));
    w.textElement(QLatin1StringView("enable_internet"), flag(s.internetEnabled));
    w.textElement(QLatin1StringView("enable_update"), flag(s.updateCheckEnabled));
    w.textElement(QLatin1StringView("enable_jump_field_tables"), flag(s.jumpFieldsInTables));
    w.textElement(QLatin1StringView("Double_Click_Auto_Size"), flag(s.doubleClickAutoSize));
    w.end();
    w.end();
    return w.bytes();
}

void saveSettings(const QString& path, const AppSettings& settings)
{
    writeFileAtomically(path, serializeSettings(settings));
}

} // namespace px
