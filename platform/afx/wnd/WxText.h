// The one place where the system's UTF-8 texts cross into the toolkit's strings and back.
#pragma once

#include <wx/defs.h>
#include <wx/string.h>

#include "platform/afx/CString.h"

// The toolkit's string for UTF-8 bytes. Bytes that are not UTF-8 (a value another mail client
// wrote in its own code page) show as U+FFFD, one for each broken sequence, and the rest of the
// text stays readable: the toolkit's own conversion gives an empty string for the whole text, and
// an item without its subject cannot be told from its neighbours.
wxString WxFromUtf8(const char* pch, size_t cch);

inline wxString ToWx(const char* psz) {
    return psz ? WxFromUtf8(psz, wxStrlen(psz)) : wxString();
}
inline wxString ToWx(const CString& s) {
    return WxFromUtf8(s.GetString(), (size_t)s.GetLength());
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
