// The drawer's label kept packed in one pooled block, and rebuilt as a MAPI row when asked for.
#pragma once

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

// A large search keeps one label per distinct group, and nothing reads it during the search: it is
// only handed out as a copy when the result page shows the group. A label row in MAPI form costs a
// 24-byte value per column, a pointer for every text and byte value and the MAPI buffer's header.
// The packed form keeps, per value, the property tag and the value's own bytes: scalars at their
// size, texts and binary values behind a short count, GUIDs behind a presence byte, multi-valued
// values as a count and their elements. Counts are 7-bit variable-length numbers, so a text below
// 128 characters costs one byte of length.
//
// The rebuilt row holds exactly the values the general row copy (CopyRowSet) makes: a missing
// value (PT_NULL, PT_ERROR, PT_UNSPECIFIED) keeps only its type and no value, a null text, GUID,
// byte pointer or element array stays null, an empty binary value has no bytes, an empty or absent
// multi-valued array has no elements. A type the general copy does not know is refused alike.
//
// The block comes from the engine's pool (CPooledObject::AllocateBytes) and knows its own size.
struct CPackedLabel;

// Packs lpSrc into a new block. E_INVALIDARG for a missing row or value array, E_FAIL for a type
// no copy handles, E_OUTOFMEMORY when the block cannot be had; *ppLabel stays NULL on failure.
HRESULT PackLabel(const SRow* lpSrc, CPackedLabel** ppLabel);

// Rebuilds the label as one MAPI buffer for the caller (FreeRowSet). On failure *lppRow is NULL and
// the code is the allocator's.
HRESULT UnpackLabel(const CPackedLabel* pLabel, LPSRow* lppRow);

// Gives the block back; NULL is fine.
void FreePackedLabel(CPackedLabel* pLabel);

// The block's size in bytes (what the label costs in the pool).
ULONG PackedLabelBytes(const CPackedLabel* pLabel);
