// Helpers of the model tests: records to bytes and back through the real archive, bytes in hex.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CMemFile.h"

namespace qrvtest {

// "01 AB FF" spelled as bytes, and back (for readable failure messages).
inline std::string Hex(const std::string& text) {
    std::string bytes;
    std::istringstream in(text);
    std::string token;
    while (in >> token)
        bytes += (char)std::stoul(token, nullptr, 16);
    return bytes;
}
inline std::string ToHex(const std::string& bytes) {
    std::string text;
    char buf[4];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof(buf), "%02X ", b);
        text += buf;
    }
    return text;
}

inline std::string Dword(DWORD dw) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = (char)((dw >> (8 * i)) & 0xFF);
    return s;
}

// A new-class tag with schema 1, as the archive writes it the first time a class passes.
inline std::string NewClassTag(const std::string& name) {
    return Hex("FF FF 01 00") + (char)name.size() + '\0' + name;
}

// The bytes a storing archive writes, and a loading archive over given bytes.
inline std::string Stored(const std::function<void(CArchive&)>& write) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    write(ar);
    ar.Close();
    const ULONGLONG cb = file.GetLength();
    BYTE* lpb = file.Detach();
    std::string bytes(reinterpret_cast<const char*>(lpb), (size_t)cb);
    free(lpb);
    return bytes;
}
inline void Loaded(const std::string& bytes, const std::function<void(CArchive&)>& read) {
    std::vector<BYTE> buffer(bytes.begin(), bytes.end());
    CMemFile file(buffer.data(), (UINT)buffer.size());
    CArchive ar(&file, CArchive::load);
    read(ar);
}

// One record reference in a stream, stored or read (requiring the class); a record's own
// Serialize without a reference. The archive's exceptions pass through.
inline std::string StoreRecord(const CObject* pObject) {
    return Stored([&](CArchive& ar) { ar.WriteObject(pObject); });
}
inline CObject* LoadRecord(const std::string& bytes, const CRuntimeClass* pClass) {
    CObject* pObject = nullptr;
    Loaded(bytes, [&](CArchive& ar) { pObject = ar.ReadObject(pClass); });
    return pObject;
}
inline std::string SerializeTo(CObject& object) {
    return Stored([&](CArchive& ar) { object.Serialize(ar); });
}
inline void SerializeFrom(CObject& object, const std::string& bytes) {
    Loaded(bytes, [&](CArchive& ar) { object.Serialize(ar); });
}

// The outcome of a load: "ok", "notsupported", "memory" or "archive:<cause>".
inline std::string Outcome(const std::function<void()>& load) {
    try {
        load();
    } catch (CNotSupportedException* e) {
        e->Delete();
        return "notsupported";
    } catch (CMemoryException* e) {
        e->Delete();
        return "memory";
    } catch (CArchiveException* e) {
        const std::string s = "archive:" + std::to_string(e->m_cause);
        e->Delete();
        return s;
    }
    return "ok";
}

}  // namespace qrvtest
