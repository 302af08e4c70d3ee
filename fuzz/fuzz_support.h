#pragma once

// Shared by the fuzz harnesses: how an input is cut into files, and how a harness states
// a property beyond "does not crash".

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// A property of the readers that must hold for every input; a broken one stops the run
// as a finding, with the place.
#define FUZZ_PROPERTY(condition)                                                                          \
    do {                                                                                                  \
        if (!(condition)) {                                                                               \
            std::fprintf(stderr, "property broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__);      \
            std::abort();                                                                                 \
        }                                                                                                 \
    } while (0)

namespace px::fuzz {

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The input cut at NUL bytes (which no XML or CSV file holds) into at most `count` files;
// the files after the last part are missing.
inline std::vector<QByteArray> filesOf(const QByteArray& input, int count)
{
    std::vector<QByteArray> files;
    qsizetype from = 0;
    while (static_cast<int>(files.size()) < count) {
        const qsizetype nul = static_cast<int>(files.size()) + 1 < count ? input.indexOf('\0', from) : -1;
        if (nul < 0) {
            files.push_back(input.mid(from));
            break;
        }
        files.push_back(input.mid(from, nul - from));
        from = nul + 1;
    }
    return files;
}

} // namespace px::fuzz
