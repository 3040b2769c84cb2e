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

inline std::string Contents(CMemFile& file) {
    const ULONGLONG cb = file.GetLength();
    BYTE* lpb = file.Detach();
    std::string bytes(reinterpret_cast<const char*>(lpb), (size_t)cb);
    free(lpb);
    return bytes;
}

// The bytes of a stream that holds the one record reference.
inline std::string StoreRecord(const CObject* pObject) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(pObject);
    ar.Close();
    return Contents(file);
}

// Reads one record reference of the required class; the archive's exceptions pass through.
inline CObject* LoadRecord(const std::string& bytes, const CRuntimeClass* pClass) {
    std::vector<BYTE> buffer(bytes.begin(), bytes.end());
    CMemFile file(buffer.data(), (UINT)buffer.size());
    CArchive ar(&file, CArchive::load);
    CObject* pObject = ar.ReadObject(pClass);
    ar.Close();
    return pObject;
}

// A record's own Serialize (without a record reference), storing and loading.
inline std::string SerializeTo(CObject& object) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    object.Serialize(ar);
    ar.Close();
    return Contents(file);
}
inline void SerializeFrom(CObject& object, const std::string& bytes) {
    std::vector<BYTE> buffer(bytes.begin(), bytes.end());
    CMemFile file(buffer.data(), (UINT)buffer.size());
    CArchive ar(&file, CArchive::load);
    object.Serialize(ar);
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
