// The drawer's label kept as one block: the row, its values and their bytes in a single allocation.
#pragma once

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

// Copies a label row into one MAPI buffer (freed by FreeRowSet) with exactly the values the general
// row copy would make: a missing value (PT_NULL, PT_ERROR, PT_UNSPECIFIED) keeps only its type and
// no value, a null string, GUID or byte pointer stays null, an empty binary value has no bytes.
// Every drawer keeps such a copy, so one block instead of one per value saves a block header and an
// allocation for each string, binary value and GUID of every group.
//
// Returns S_FALSE (and sets nothing) when the row holds a type it does not handle (multi-valued
// values): the caller then makes the general copy. E_OUTOFMEMORY when the block cannot be had.
HRESULT CopyLabelCompact(LPSRow* lppDest, const SRow* lpSrc);
