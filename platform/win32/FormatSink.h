// Output targets of the formatter core: a bounded character buffer or a growing string.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win32/Format.h"

namespace qrvfmt {

class Sink {
public:
    virtual ~Sink() = default;
    virtual void Put(const char* text, size_t len) = 0;
    void Put(char c) { Put(&c, 1); }
    void Repeat(char c, size_t n);
};

// Writes at most size - 1 characters and a NUL; what does not fit is dropped.
class BufferSink : public Sink {
public:
    BufferSink(char* buf, size_t size) : m_buf(buf), m_cap(size - 1) { m_buf[0] = 0; }
    void Put(const char* text, size_t len) override;
    // Ends the text with a NUL, taking back a UTF-8 sequence that the cut left incomplete; returns
    // the length.
    size_t Finish();
    bool Truncated() const { return m_truncated; }

private:
    char* m_buf;
    size_t m_cap;
    size_t m_len = 0;
    bool m_truncated = false;
};

class StringSink : public Sink {
public:
    explicit StringSink(std::string& out) : m_out(out) {}
    void Put(const char* text, size_t len) override { m_out.append(text, len); }

private:
    std::string& m_out;
};

// Formats fmt with the arguments into out. Returns true when every directive had an argument of
// a fitting kind; *used (may be null) receives the number of arguments consumed.
bool FormatInto(Sink& out, const char* fmt, const FormatArg* args, size_t count, size_t* used);

}  // namespace qrvfmt
