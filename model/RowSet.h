// Deep copies of MAPI rows in MAPI memory: the label rows of the duplicate index are kept this way.
#pragma once

#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

// Copies lpSrc into one MAPI allocation: the row is the root block, its value array and every
// string, binary, GUID and multi-valued array are blocks linked to it, so one FreeRowSet frees the
// whole copy. *lppDest is set as soon as the row exists and keeps cValues 0 until every value has
// been copied: after a failure it reads as an empty row, and the caller still frees it.
HRESULT CopyRowSet(LPSRow* lppDest, const SRow* lpSrc);

// Frees a row made by CopyRowSet (a null row is fine) and sets the pointer to null.
HRESULT FreeRowSet(LPSRow* lppRow);
