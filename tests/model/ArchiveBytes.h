// Helpers of the configuration tests: records to bytes and back through the real archive.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/afx/CArchive.h"
#include "platform/afx/CMemFile.h"

namespace qrvtest {

// The bytes of a stream that holds the one record reference.
inline std::string StoreRecord(const CObject* pObject) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(pObject);
    ar.Close();
    const ULONGLONG cb = file.GetLength();
    BYTE* lpb = file.Detach();
    std::string bytes(reinterpret_cast<const char*>(lpb), (size_t)cb);
    free(lpb);
    return bytes;
}

// Reads one record reference of the required class from the bytes; the archive's exceptions
// pass through.
inline CObject* LoadRecord(const std::string& bytes, const CRuntimeClass* pClass) {
    std::vector<BYTE> buffer(bytes.begin(), bytes.end());
    CMemFile file(buffer.data(), (UINT)buffer.size());
    CArchive ar(&file, CArchive::load);
    CObject* pObject = ar.ReadObject(pClass);
    ar.Close();
    return pObject;
}

inline std::string Dword(DWORD dw) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = (char)((dw >> (8 * i)) & 0xFF);
    return s;
}

// A new-class tag with schema 1, as the archive writes it the first time a class passes.
inline std::string NewClassTag(const char* pszName) {
    std::string s("\xFF\xFF\x01\x00", 4);
    s += (char)strlen(pszName);
    s += '\0';
    return s + pszName;
}

}  // namespace qrvtest
