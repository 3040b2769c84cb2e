// Output targets of the formatter core.
#include "platform/win32/FormatSink.h"

#include <cstring>

namespace qrvfmt {

void Sink::Repeat(char c, size_t n) {
    char block[64];
    std::memset(block, c, sizeof block);
    while (n > 0) {
        size_t k = n < sizeof block ? n : sizeof block;
        Put(block, k);
        n -= k;
    }
}

void BufferSink::Put(const char* text, size_t len) {
    size_t room = m_cap - m_len;
    if (len > room) {
        len = room;
        m_truncated = true;
    }
    std::memcpy(m_buf + m_len, text, len);
    m_len += len;
}

size_t BufferSink::Finish() {
    if (m_truncated && m_len > 0) {
        // Find the lead byte of the last sequence and drop it when its continuation bytes were cut.
        size_t i = m_len;
        size_t back = 0;
        while (i > 0 && back < 4 && ((unsigned char)m_buf[i - 1] & 0xC0) == 0x80) {
            --i;
            ++back;
        }
        if (i > 0) {
            unsigned char lead = (unsigned char)m_buf[i - 1];
            size_t need = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
            if (lead >= 0xC0 && back < need)
                m_len = i - 1;
        }
    }
    m_buf[m_len] = 0;
    return m_len;
}

}  // namespace qrvfmt
