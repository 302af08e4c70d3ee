#pragma once

#include <QByteArray>

#include <cstdint>

namespace px::image {

// Writes little-endian numbers into an image buffer at a moving position. The buffer must
// already hold the bytes written to (the fixed images are allocated whole and zeroed) and
// must not be resized while the writer is in use.
class ByteWriter {
public:
    ByteWriter(QByteArray& buffer, int pos) : m_data(buffer.data()), m_pos(pos) {}

    void u8(std::uint32_t v) { m_data[m_pos++] = static_cast<char>(v & 0xFF); }
    void u16(std::uint32_t v)
    {
        u8(v);
        u8(v >> 8);
    }
    void u32(std::uint32_t v)
    {
        u16(v);
        u16(v >> 16);
    }
    void zeros(int n)
    {
        for (int i = 0; i < n; ++i)
            u8(0);
    }
    int pos() const { return m_pos; }

private:
    char* m_data;
    int m_pos;
};

} // namespace px::image
