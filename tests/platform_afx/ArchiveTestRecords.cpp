// Record classes shaped like the system's saved property lists, for archive tests and fuzzing.
#include "tests/platform_afx/ArchiveTestRecords.h"

#include "platform/afx/CException.h"

namespace golden {

IMPLEMENT_SERIAL(CPropertyID, CObject, 1)
IMPLEMENT_SERIAL(CStdPropertyID, CPropertyID, 1)
IMPLEMENT_SERIAL(CNamedPropertyID, CPropertyID, 1)
IMPLEMENT_SERIAL(CPropertyList, CObject, 1)
IMPLEMENT_SERIAL(CPropTypeList, CPropertyList, 1)
IMPLEMENT_SERIAL(CStdPropList, CPropertyList, 1)
IMPLEMENT_SERIAL(CNamedPropList, CPropertyList, 1)
IMPLEMENT_SERIAL(CGuidNamedIDList, CPropertyList, 1)
IMPLEMENT_SERIAL(CGuidNamedNamedList, CPropertyList, 1)
IMPLEMENT_SERIAL(CTestBag, CObject, 1)
IMPLEMENT_DYNCREATE(CNotARecord, CObject)

namespace {

void ReadVersion(CArchive& ar) {
    DWORD dwVersion;
    ar >> dwVersion;
    if (dwVersion != 1) {
        AfxThrowNotSupportedException();
    }
}

}  // namespace

ULONG CRefRecord::Release() {
    if (m_cRef > 1) {
        return --m_cRef;
    }
    delete this;
    return 0;
}

void CPropertyID::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << (DWORD)1 << m_bSelected << m_ulContext;
    } else {
        ReadVersion(ar);
        ar >> m_bSelected >> m_ulContext;
    }
}

void CStdPropertyID::Serialize(CArchive& ar) {
    CPropertyID::Serialize(ar);
    if (ar.IsStoring()) {
        ar << (DWORD)1 << m_ulTag;
    } else {
        ReadVersion(ar);
        ar >> m_ulTag;
    }
}

void CNamedPropertyID::Serialize(CArchive& ar) {
    CPropertyID::Serialize(ar);
    if (ar.IsStoring()) {
        ar << (DWORD)1 << m_ulPropType << (DWORD)m_guid.size();
        ar.Write(m_guid.data(), (UINT)m_guid.size());
        ar << m_ulKind;
        if (m_ulKind == 0) {
            ar << m_lID;
        } else {
            ar << (DWORD)m_name.size();
            for (char16_t unit : m_name) {
                ar << (WORD)unit;
            }
        }
        return;
    }
    ReadVersion(ar);
    DWORD cbGuid;
    ar >> m_ulPropType >> cbGuid;
    ar.EnsureReadable(cbGuid);
    m_guid.resize(cbGuid);
    if (ar.Read(m_guid.data(), cbGuid) != cbGuid) {
        AfxThrowArchiveException(CArchiveException::endOfFile);
    }
    ar >> m_ulKind;
    if (m_ulKind == 0) {
        ar >> m_lID;
    } else if (m_ulKind == 1) {
        DWORD n;
        ar >> n;
        ar.EnsureReadable(2ull * n);
        m_name.resize(n);
        for (DWORD i = 0; i < n; ++i) {
            WORD unit;
            ar >> unit;
            m_name[i] = (char16_t)unit;
        }
    } else {
        AfxThrowNotSupportedException();
    }
}

CPropertyList::~CPropertyList() {
    Clear();
}

void CPropertyList::Clear() {
    for (ListEntry& entry : m_entries) {
        entry.pRecord->Release();
    }
    m_entries.clear();
}

void CPropertyList::Add(DWORD key, CRefRecord* pRecord, const std::vector<BYTE>& guid) {
    pRecord->AddRef();
    m_entries.push_back({key, guid, pRecord});
}

void CPropertyList::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << (DWORD)1;
        if (m_kind == noBody) {
            return;
        }
        ar << (DWORD)1 << (DWORD)m_entries.size();
        for (const ListEntry& entry : m_entries) {
            if (m_kind == keyedBody) {
                ar << entry.key;
            } else if (m_kind == guidBody) {
                ar << (DWORD)entry.guid.size();
                ar.Write(entry.guid.data(), (UINT)entry.guid.size());
            }
            ar.WriteObject(entry.pRecord);
        }
        return;
    }
    ReadVersion(ar);
    if (m_kind == noBody) {
        return;
    }
    ReadVersion(ar);
    Clear();
    DWORD n;
    ar >> n;
    for (DWORD i = 0; i < n; ++i) {
        ListEntry entry;
        if (m_kind == keyedBody) {
            ar >> entry.key;
        } else if (m_kind == guidBody) {
            DWORD cb;
            ar >> cb;
            ar.EnsureReadable(cb);
            entry.guid.resize(cb);
            if (ar.Read(entry.guid.data(), cb) != cb) {
                AfxThrowArchiveException(CArchiveException::endOfFile);
            }
        }
        CObject* pOb = ar.ReadObject(m_pEntryClass);
        if (pOb == nullptr) {
            AfxThrowMemoryException();
        }
        entry.pRecord = static_cast<CRefRecord*>(pOb);
        entry.pRecord->AddRef();
        m_entries.push_back(std::move(entry));
    }
}

CTestBag::~CTestBag() {
    for (CRefRecord* pRecord : m_items) {
        if (pRecord != nullptr) {
            pRecord->Release();
        }
    }
}

void CTestBag::Add(CRefRecord* pRecord) {
    if (pRecord != nullptr) {
        pRecord->AddRef();
    }
    m_items.push_back(pRecord);
}

void CTestBag::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << (DWORD)1 << m_label << (DWORD)m_items.size();
        for (CRefRecord* pRecord : m_items) {
            ar << pRecord;
        }
        return;
    }
    ReadVersion(ar);
    DWORD n;
    ar >> m_label >> n;
    for (DWORD i = 0; i < n; ++i) {
        Add(static_cast<CRefRecord*>(ar.ReadObject(nullptr)));
    }
}

std::vector<CRefRecord*> ReadDocument(CArchive& ar, const CRuntimeClass* pRequired) {
    std::vector<CRefRecord*> records;
    try {
        ReadVersion(ar);
        DWORD n;
        ar >> n;
        for (DWORD i = 0; i < n; ++i) {
            CRefRecord* pRecord = static_cast<CRefRecord*>(ar.ReadObject(pRequired));
            if (pRecord != nullptr) {
                pRecord->AddRef();
                records.push_back(pRecord);
            }
        }
    } catch (...) {
        ReleaseAll(records);
        throw;
    }
    return records;
}

void ReleaseAll(std::vector<CRefRecord*>& records) {
    for (CRefRecord* pRecord : records) {
        pRecord->Release();
    }
    records.clear();
}

}  // namespace golden
