// The one place where the system's UTF-8 texts cross into the toolkit's strings and back.
#pragma once

#include <wx/string.h>

#include "platform/afx/CString.h"

inline wxString ToWx(const char* psz) {
    return psz ? wxString::FromUTF8(psz) : wxString();
}
inline wxString ToWx(const CString& s) {
    return wxString::FromUTF8(s.GetString(), (size_t)s.GetLength());
}
inline CString FromWx(const wxString& s) {
    wxScopedCharBuffer buf = s.utf8_str();
    return CString(buf.data(), (int)buf.length());
}
