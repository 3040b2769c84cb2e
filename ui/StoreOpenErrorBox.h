// The box for a message store that could not be opened.
#pragma once

#include "platform/win32/WinTypes.h"

class CStoreInfo;
class CWnd;

// Shows the box for the store and the code. While a CStoreOpenErrorOnce lives, the box for the
// same store and code is shown only the first time.
void ShowStoreOpenError(CWnd* pParent, CStoreInfo* pStore, HRESULT hr);

// Scope of one step that opens the same store from several places: making a form view's pages
// opens the current store for the General page and again for the Properties page, and a store
// that cannot be opened is reported once.
class CStoreOpenErrorOnce {
public:
    CStoreOpenErrorOnce();
    ~CStoreOpenErrorOnce();
    CStoreOpenErrorOnce(const CStoreOpenErrorOnce&) = delete;
    CStoreOpenErrorOnce& operator=(const CStoreOpenErrorOnce&) = delete;
};
