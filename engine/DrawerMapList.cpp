// CDrawerMapList: the search result, the top-level indexes in the order the search made them.
#include "engine/DrawerMapList.h"

#include <cstdlib>

#include "engine/DrawerMap.h"
#include "engine/PointerArray.h"
#include "engine/SmallBlockPool.h"
#include "trace/Trace.h"

CDrawerMapList::CDrawerMapList(LONG lCompareMode, ULONG ulGrowStep)
    : m_cRef(0),
      m_ulGrowStep(ulGrowStep == 0 ? 10 : ulGrowStep),
      m_lCompareMode(lCompareMode),
      m_ppMaps(nullptr),
      m_ulCount(0),
      m_ulCapacity(0) {
    TRACE_CTOR("CDrawerMapList");
}

CDrawerMapList::~CDrawerMapList() {
    TRACE_DTOR("CDrawerMapList");
    for (ULONG i = 0; i < m_ulCount; ++i) {
        if (m_ppMaps[i] != nullptr) {
            m_ppMaps[i]->Release();
            m_ppMaps[i] = nullptr;
        }
    }
    std::free(m_ppMaps);
    // The released indexes leave their blocks free in the pool; whole slabs of them go back now,
    // even while objects of another result keep some of the pool in use.
    CSmallBlockPool::Shared().Trim();
}

ULONG CDrawerMapList::AddRef() {
    return ++m_cRef;
}

ULONG CDrawerMapList::Release() {
    if (m_cRef > 0) {
        --m_cRef;
    }
    if (m_cRef == 0) {
        delete this;
        return 0;
    }
    return m_cRef;
}

ULONG CDrawerMapList::GetCount() const {
    return m_ulCount;
}

CDrawerMap* CDrawerMapList::GetAt(LONG lIndex) {
    return GetAt((ULONG)lIndex);
}

CDrawerMap* CDrawerMapList::GetAt(ULONG ulIndex) {
    if (ulIndex >= m_ulCount || m_ppMaps[ulIndex] == nullptr) {
        return nullptr;
    }
    m_ppMaps[ulIndex]->AddRef();
    return m_ppMaps[ulIndex];
}

HRESULT CDrawerMapList::AddEntry(CDrawerMap** ppMap, LPSPropTagArray lpColumns) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("AddEntry", hr);
    if (ppMap == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid map pointer specified!\n");
        return hr = E_INVALIDARG;
    }
    if (m_ulCount == m_ulCapacity && !GrowPointerArray(&m_ppMaps, m_ulCount, &m_ulCapacity, m_ulGrowStep)) {
        hr = E_OUTOFMEMORY;
        QTRACE(TRACE_ERROR, "malloc() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    CDrawerMap* pMap = nullptr;
    hr = CDrawerMap::CreateDrawerMap(lpColumns, 0, &pMap);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "CreateDrawerMap() failed: hr = 0x%08lx\n", hr);
        return hr;
    }
    pMap->AddRef();
    m_ppMaps[m_ulCount++] = pMap;
    *ppMap = pMap;
    return hr;
}

HRESULT CDrawerMapList::AddStoreMap(CDrawerMap** ppMap, LPSPropTagArray lpColumns) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("AddStoreMap", hr);
    if (m_ulCount != 0) {
        if (m_lCompareMode < 0 || m_lCompareMode > 2) {
            QTRACE(TRACE_ERROR, "Invalid compare mode setting!\n");
            return hr = E_INVALIDARG;
        }
        if (m_lCompareMode == 2) {
            QTRACE(TRACE_ERROR, "Invalid compare mode setting!\n");
            return hr = E_NOTIMPL;
        }
    }
    hr = AddEntry(ppMap, lpColumns);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "AddEntry() failed: hr = 0x%08lx\n", hr);
    }
    return hr;
}

HRESULT CDrawerMapList::AddFolderMap(CDrawerMap** ppMap, LPSPropTagArray lpColumns) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("AddFolderMap", hr);
    if (m_ulCount != 0) {
        switch (m_lCompareMode) {
            case 0:
                break;
            case 1:
                if (ppMap == nullptr) {
                    QTRACE(TRACE_ERROR, "Failure: Invalid map pointer specified!\n");
                    return hr = E_INVALIDARG;
                }
                *ppMap = GetAt(m_ulCount - 1);
                return hr;
            case 2:
                QTRACE(TRACE_ERROR, "Invalid compare mode setting!\n");
                return hr = E_NOTIMPL;
            default:
                QTRACE(TRACE_ERROR, "Invalid compare mode setting!\n");
                return hr = E_INVALIDARG;
        }
    }
    hr = AddEntry(ppMap, lpColumns);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "AddEntry() failed: hr = 0x%08lx\n", hr);
    }
    return hr;
}
