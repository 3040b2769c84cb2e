// One level (label line) of the duplicate index, as its users see it, and the factory of levels.
#pragma once

#include "platform/afx/CObject.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CEntryReference;
class CLabelTail;
class CSortDrawer;

// The search files items through this interface, the search result holds top levels by it and the
// result page walks them; none of them knows the key type of a level.
class CDrawerMap : public CObject {
public:
    // Builds the level for column ulIndex of lpColumns, its class chosen by the column's property
    // type; the level comes with one reference, owned by the caller. E_OUTOFMEMORY when it cannot be
    // allocated.
    static HRESULT CreateDrawerMap(LPSPropTagArray lpColumns, ULONG ulIndex, CDrawerMap** ppMap);

    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // Hands out the drawer filed under the row's values from column ulIndex on, with a reference for
    // the caller, or NULL with S_OK.
    virtual HRESULT LookupDrawer(LPSRow lpRow, ULONG ulIndex, LPSPropTagArray lpColumns,
                                 CSortDrawer** ppDrawer) = 0;
    // Files *ppDrawer (read, never written) under the row's values, making missing lower levels; the
    // index takes a reference of its own.
    virtual HRESULT InsertDrawer(LPSRow lpRow, ULONG ulIndex, LPSPropTagArray lpColumns,
                                 CSortDrawer** ppDrawer) = 0;
    // Files an item in one pass: its entry goes into the drawer filed under the row's values from
    // column ulIndex on; when there is none, a new drawer labelled with the row is made, given the
    // entry and filed. The same groups as LookupDrawer followed by InsertDrawer for a new drawer,
    // without looking the label up twice. A failure files nothing new.
    virtual HRESULT InsertEntry(LPSRow lpRow, ULONG ulIndex, LPSPropTagArray lpColumns,
                                CEntryReference* pEntry) = 0;
    // Depth-first walk over every drawer below this level in key order; NULL with S_OK at the end.
    virtual HRESULT FindFirst(CSortDrawer** ppDrawer) = 0;
    virtual HRESULT FindNext(CSortDrawer** ppDrawer) = 0;
    // Declared for the interface's completeness; nothing calls it and it is not implemented.
    virtual HRESULT Merge(CDrawerMap* pOther) = 0;

    // Between levels only (LabelTail.h). Whether two values are one key of this level's type; a
    // value this level cannot take fails as its conversion does.
    virtual HRESULT KeysEqual(const SPropValue& a, const SPropValue& b, bool* pfEqual) = 0;
    // Makes the tail's first value this level's only key, leading to the drawer on the last line and
    // to the rest of the tail on an inner one. On failure the tail is as it was and still the caller's.
    virtual HRESULT AdoptTail(CLabelTail* pTail) = 0;
    // A level of the column's type that stands for its key order alone, never filed into; NULL for
    // a type no level takes. It lives as long as the process.
    static CDrawerMap* KeysOfColumn(ULONG ulPropTag);

protected:
    CDrawerMap() = default;
    ~CDrawerMap() override = default;
};
