// The one place where the system's UTF-8 texts cross into the toolkit's strings and back.
#pragma once

#include <wx/defs.h>
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

// A window's toolkit id: the system's control id where the toolkit accepts it. Lookups by id
// always use the system's own id, so the two may differ.
inline int WxWindowId(UINT nID) {
    return nID > 0 && nID < 0x6000 ? (int)nID : wxID_ANY;
}
