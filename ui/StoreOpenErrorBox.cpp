// The box for a message store that could not be opened, once per store and code within a scope.
#include "ui/StoreOpenErrorBox.h"

#include <utility>
#include <vector>

#include "model/ErrorBoxes.h"
#include "model/StoreInfo.h"

namespace {

struct ShownErrors {
    int nDepth = 0;
    // The stores hold a reference, so that no other record can take the address of one.
    std::vector<std::pair<CStoreInfo*, HRESULT>> shown;
};

ShownErrors& Shown() {
    static ShownErrors s_shown;
    return s_shown;
}

}  // namespace

void ShowStoreOpenError(CWnd* pParent, CStoreInfo* pStore, HRESULT hr) {
    ShownErrors& state = Shown();
    if (state.nDepth > 0 && pStore != nullptr) {
        for (const auto& [pShownStore, hrShown] : state.shown)
            if (pShownStore == pStore && hrShown == hr)
                return;
        pStore->AddRef();
        state.shown.emplace_back(pStore, hr);
    }
    ShowErrorWithArgs(pParent, "Failed to open Store", "The store could not be opened. Error code 0x%1!08lx!",
                      166, 167, (ULONG)hr);
}

CStoreOpenErrorOnce::CStoreOpenErrorOnce() {
    ++Shown().nDepth;
}

CStoreOpenErrorOnce::~CStoreOpenErrorOnce() {
    ShownErrors& state = Shown();
    if (--state.nDepth > 0)
        return;
    std::vector<std::pair<CStoreInfo*, HRESULT>> shown;
    shown.swap(state.shown);
    for (const auto& entry : shown)
        entry.first->Release();
}
