#pragma once

#include <QString>

#include <stdexcept>

namespace px {

// The one failure that abandons a user action: a file that does not parse, a required
// value that is missing, a strict number that does not convert, a file that cannot be
// written. Its text already names the file, the row or element and the cause; the
// general error report shows it as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const noexcept { return m_text; }

private:
    QString m_text;
};

} // namespace px
