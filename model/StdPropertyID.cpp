// CStdPropertyID: tag, text selector and the record of a standard property.
#include "model/StdPropertyID.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "model/RecordFrames.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/win32/Format.h"
#include "trace/Trace.h"

IMPLEMENT_SERIAL(CStdPropertyID, CPropertyID, 1)

CStdPropertyID::CStdPropertyID() : CStdPropertyID(0, 0) {}

CStdPropertyID::CStdPropertyID(DWORD dwContext, ULONG ulTag) : CPropertyID(dwContext), m_ulTag(ulTag) {
    TRACE_CTOR("CStdPropertyID");
}

CStdPropertyID::~CStdPropertyID() {
    TRACE_DTOR("CStdPropertyID");
}

void CStdPropertyID::Init() {
    m_ulTag = 0;
}

int CStdPropertyID::GetType() {
    return PT_STD_TYPE;
}

HRESULT CStdPropertyID::GetPropertyID(IMsgStore* /*lpStore*/, ULONG* pulTag) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStdPropertyID::GetPropertyID", hr);
    if (pulTag == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid return buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *pulTag = m_ulTag;
    return hr;
}

HRESULT CStdPropertyID::BuildTextSelector(LPSTR* ppszSelector) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CStdPropertyID::BuildTextSelector", hr);
    if (ppszSelector == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid buffer specified!\n");
        return hr = E_INVALIDARG;
    }
    *ppszSelector = nullptr;
    std::string strSelector = FormatText("0x%08lx", m_ulTag);
    *ppszSelector = strdup(strSelector.c_str());
    if (*ppszSelector == nullptr) {
        QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate selector string!\n");
        return hr = E_OUTOFMEMORY;
    }
    return hr;
}

void CStdPropertyID::Serialize(CArchive& ar) {
    TRACE_FUNC_VOID("CStdPropertyID::Serialize");
    CPropertyID::Serialize(ar);
    SerializePropertyVersion1(
        ar, [&] { ar << (DWORD)m_ulTag; },
        [&] {
            DWORD dwTag = 0;
            ar >> dwTag;
            m_ulTag = dwTag;
        },
        [this] { Init(); });
}
