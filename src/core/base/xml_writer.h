#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <vector>

namespace px::xml {

// Element text as the settings file and the Ethernet updater's job file have always carried
// it: "&" and "<" escaped, ">" only after "]]", a carriage return as "&#xd;", every other
// character as it stands. Written by hand because the bytes of those files are fixed.
QString escapeText(QStringView text);

// A document written element by element, without declaration, indentation or line ends.
class PlainXmlWriter {
public:
    // <name>, closed by the matching end().
    void begin(QLatin1StringView name);
    void end();
    // <name>text</name>, also when the text is empty.
    void textElement(QLatin1StringView name, QStringView text);
    // <name/>
    void emptyElement(QLatin1StringView name);
    // The document in UTF-8; every element begun must have ended.
    QByteArray bytes() const;

private:
    QString m_text;
    std::vector<QLatin1StringView> m_open;
};

} // namespace px::xml
