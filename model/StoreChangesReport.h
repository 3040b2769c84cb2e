// What a configuration needs of the report that tells the user which profile stores came and went.
#pragma once

#include "platform/win32/WinTypes.h"

class CStoreInfo;

// The window code implements it; CConfigInfo::CheckProfileStores makes one through the
// user-interface services (UiServices.h). The report only informs: its result is not looked at.
class IStoreChangesReport {
public:
    virtual ~IStoreChangesReport() = default;

    // Drops what it held, then keeps its own copy of each array whose pointer and count are both
    // non-zero, with a reference on every non-null store; E_OUTOFMEMORY when a copy fails. The
    // caller keeps its own references.
    virtual HRESULT Init(CStoreInfo** ppAdded, ULONG cAdded, CStoreInfo** ppRemoved, ULONG cRemoved) = 0;
    // Shows the report modally.
    virtual int DoModal() = 0;
};
