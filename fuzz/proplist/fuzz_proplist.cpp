// Fuzz target for the property-list records: any byte stream read as a default property file
// must fail with a framework exception or load a list; whatever loads must store, the stored
// bytes must load again, and a walk that succeeded before yields the same properties after;
// nothing may crash, leak or read past the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CMemFile.h"
#include "platform/win32/DebugOutput.h"
#include "trace/Trace.h"

namespace {

std::vector<BYTE> Store(CPropertyList* pList) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(pList);
    ar.Close();
    return std::vector<BYTE>(file.GetBufferPtr(), file.GetBufferPtr() + file.GetLength());
}

// Reads one list; null when the stream is refused. The list carries one reference.
CPropertyList* Load(const uint8_t* data, size_t size) {
    std::vector<BYTE> copy(data, data + size);
    CMemFile file(copy.data(), (UINT)copy.size());
    try {
        CArchive ar(&file, CArchive::load);
        CPropertyList* pList = static_cast<CPropertyList*>(ar.ReadObject(RUNTIME_CLASS(CPropertyList)));
        if (pList != nullptr) {
            pList->AddRef();
        }
        return pList;
    } catch (CException* e) {
        e->Delete();
        return nullptr;
    }
}

// What a walk yields (selector, kind and flag of each property), or false when it fails.
bool Walk(CPropertyList* pList, std::vector<std::string>& out) {
    CPropertyID* pProp = nullptr;
    HRESULT hr = pList->GetFirstProperty(&pProp);
    while (SUCCEEDED(hr) && pProp != nullptr) {
        if (out.size() > 1000000) {
            __builtin_trap();  // a walk that never ends
        }
        LPSTR pszSelector = nullptr;
        std::string entry = std::to_string(pProp->GetType()) + (pProp->IsSelected() ? "+" : "-");
        if (SUCCEEDED(pProp->BuildTextSelector(&pszSelector)) && pszSelector != nullptr) {
            entry += pszSelector;
            std::free(pszSelector);
        }
        out.push_back(entry);
        pProp->Release();
        pProp = nullptr;
        hr = pList->GetNextProperty(&pProp);
    }
    return SUCCEEDED(hr);
}

struct Quiet {
    Quiet() {
        SetTraceLevel(-1);
        SetDebugOutputEcho(false);
    }
} s_quiet;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPropertyList* pList = Load(data, size);
    if (pList == nullptr) {
        return 0;
    }
    std::vector<std::string> before;
    const bool bWalked = Walk(pList, before);
    const std::vector<BYTE> stored = Store(pList);
    pList->Release();
    CPropertyList* pAgain = Load(stored.data(), stored.size());
    if (pAgain == nullptr) {
        __builtin_trap();  // what the writer made must load
    }
    std::vector<std::string> after;
    if (bWalked && (!Walk(pAgain, after) || after != before)) {
        __builtin_trap();  // saving lost or changed a property
    }
    pAgain->Release();
    return 0;
}
