// CObjectMap: an ordered set of binary keys (entry ids), each with an optional name, all held as
// private copies. It hands the folders of a store around as a set of entry ids.
#pragma once

#include <map>

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

// The order of binary keys: an empty key (count 0 or no bytes) first; then the shorter key; keys
// of one length by their bytes as unsigned values. Lengths decide before any byte is read.
bool BinaryKeyLess(const SBinary& a, const SBinary& b);

struct CBinaryKeyLess {
    bool operator()(const SBinary& a, const SBinary& b) const { return BinaryKeyLess(a, b); }
};

class CObjectMap {
public:
    CObjectMap();
    virtual ~CObjectMap();
    CObjectMap(const CObjectMap&) = delete;
    CObjectMap& operator=(const CObjectMap&) = delete;

    // Frees every key and name and empties the map.
    void Clear();
    // Clear, as an operation with a result; always S_OK.
    HRESULT ResetContent();

    // Adds copies of the key and the name (or none). A key already held keeps its one entry and
    // takes the new name (or none). E_INVALIDARG for an empty key, E_OUTOFMEMORY when a copy
    // cannot be made (the map is then unchanged).
    HRESULT Insert(ULONG cb, const BYTE* lpb, LPCSTR lpszName = nullptr);
    // Replaces the whole content with copies of the other map's entries; the first failure ends
    // the copy, keeping what was copied before it. Inserting a map into itself changes nothing.
    HRESULT Insert(const CObjectMap& other);

    // *pbPresent := whether an equal key is held (FALSE on any failure). E_INVALIDARG for an empty
    // key or a null flag.
    HRESULT IsObjectPresent(ULONG cb, const BYTE* lpb, BOOL* pbPresent) const;

    ULONG GetCount() const { return (ULONG)m_map.size(); }

protected:
    // key: a malloc copy of the bytes; name: a malloc copy of the text or null.
    typedef std::map<SBinary, char*, CBinaryKeyLess> KeyMap;
    KeyMap m_map;
};

// Test seam: after the next nSkip successful copies made by object maps, the following one fails
// as if the heap were exhausted; -1 (the start value) turns it off.
void SetObjectMapFailureAfter(int nSkip);
