#pragma once

// Readable failure output for Qt values in every test (included into each test source).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray& b, std::ostream* os)
{
    // Text as text, other bytes in hex, so a diff of file contents can be read.
    *os << '"';
    for (const char c : b) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 32 && u < 127)
            *os << c;
        else {
            static const char* hex = "0123456789ABCDEF";
            *os << "\\x" << hex[u >> 4] << hex[u & 15];
        }
    }
    *os << '"';
}

inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '[';
    for (qsizetype i = 0; i < l.size(); ++i)
        *os << (i ? ", " : "") << '"' << l[i].toStdString() << '"';
    *os << ']';
}
