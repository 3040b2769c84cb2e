// CArchive: buffered little-endian values, length-prefixed texts and indexed record references.
#include "platform/afx/CArchive.h"

#include "platform/win32/CodePage.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

namespace {

// UTF-16 units (little-endian in the stream) up to the first zero unit, as UTF-8.
CString Utf16UnitsToText(const BYTE* pUnits, ULONGLONG nUnits) {
    std::u16string units;
    units.reserve((size_t)nUnits);
    for (ULONGLONG i = 0; i < nUnits; ++i) {
        char16_t unit = (char16_t)(pUnits[2 * i] | (pUnits[2 * i + 1] << 8));
        if (unit == 0) {
            break;
        }
        units.push_back(unit);
    }
    return CString(Utf16ToUtf8(units));
}

// The archives loading on this thread, newest first: usually none or one.
thread_local CArchive* t_pLoadingArchives = nullptr;

}  // namespace

void CArchive::ForgetLoadedObject(const CObject* pOb) {
    for (CArchive* pAr = t_pLoadingArchives; pAr != nullptr; pAr = pAr->m_pNextLoading) {
        auto it = pAr->m_storeMap.find(pOb);
        if (it != pAr->m_storeMap.end()) {
            pAr->m_loadArray[it->second] = {LoadEntry::recordFailed, nullptr};
            pAr->m_storeMap.erase(it);
        }
    }
}

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize) : m_pFile(pFile), m_nMode(nMode) {
    if (pFile == nullptr) {
        AfxThrowInvalidArgException();
    }
    // Small buffers would make every value straddle a refill; keep room for the widest value.
    m_buffer.resize((size_t)std::max(nBufSize, 128));
    if (IsLoading()) {
        // Entry 0 is the null record: index 0 always reads back as null.
        m_loadArray.push_back({LoadEntry::nullRecord, nullptr});
        m_pNextLoading = t_pLoadingArchives;
        t_pLoadingArchives = this;
    }
}

CArchive::~CArchive() {
    for (CArchive** ppAr = &t_pLoadingArchives; *ppAr != nullptr; ppAr = &(*ppAr)->m_pNextLoading) {
        if (*ppAr == this) {
            *ppAr = m_pNextLoading;
            break;
        }
    }
    if (m_pFile == nullptr || IsLoading() || (m_nMode & bNoFlushOnDelete) || std::uncaught_exceptions() > 0) {
        return;
    }
    try {
        Flush();
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
}

void CArchive::Close() {
    if (m_pFile != nullptr && IsStoring()) {
        Flush();
    }
    m_pFile = nullptr;
}

void CArchive::Abort() {
    m_pFile = nullptr;
}

void CArchive::Flush() {
    if (m_pFile == nullptr || IsLoading()) {
        return;
    }
    if (m_nBufPos != 0) {
        UINT nBytes = m_nBufPos;
        m_nBufPos = 0;
        m_pFile->Write(m_buffer.data(), nBytes);
    }
}

void CArchive::CheckStoring() const {
    if (m_pFile == nullptr) {
        AfxThrowInvalidArgException();
    }
    if (IsLoading()) {
        AfxThrowArchiveException(CArchiveException::readOnly);
    }
}

void CArchive::CheckLoading() const {
    if (m_pFile == nullptr) {
        AfxThrowInvalidArgException();
    }
    if (IsStoring()) {
        AfxThrowArchiveException(CArchiveException::writeOnly);
    }
}

DWORD CArchive::TakeIndex() {
    if (m_nMapCount >= nMaxMapCount) {
        AfxThrowArchiveException(CArchiveException::badIndex);
    }
    return m_nMapCount++;
}

void CArchive::PushLoadEntry(const LoadEntry& entry) {
    try {
        m_loadArray.push_back(entry);
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
}

void CArchive::RememberStored(const void* p, DWORD nIndex) {
    try {
        m_storeMap[p] = nIndex;
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
}

// ---- raw bytes ----

void CArchive::FillBuffer(UINT nBytesNeeded) {
    UINT nAvail = m_nBufEnd - m_nBufPos;
    if (nAvail >= nBytesNeeded || m_bEndOfFile) {
        return;
    }
    std::memmove(m_buffer.data(), m_buffer.data() + m_nBufPos, nAvail);
    m_nBufPos = 0;
    m_nBufEnd = nAvail;
    while (m_nBufEnd < nBytesNeeded && !m_bEndOfFile) {
        UINT nRead = m_pFile->Read(m_buffer.data() + m_nBufEnd, (UINT)m_buffer.size() - m_nBufEnd);
        if (nRead == 0) {
            m_bEndOfFile = TRUE;
        }
        m_nBufEnd += nRead;
    }
}

UINT CArchive::Read(void* lpBuf, UINT nMax) {
    CheckLoading();
    BYTE* pDest = (BYTE*)lpBuf;
    UINT nDone = 0;
    while (nDone < nMax) {
        UINT nAvail = m_nBufEnd - m_nBufPos;
        if (nAvail == 0) {
            if (m_bEndOfFile) {
                break;
            }
            UINT nLeft = nMax - nDone;
            if (nLeft >= m_buffer.size()) {
                // Large runs go straight from the file into the caller's memory.
                UINT nRead = m_pFile->Read(pDest + nDone, nLeft);
                if (nRead == 0) {
                    m_bEndOfFile = TRUE;
                }
                nDone += nRead;
                continue;
            }
            FillBuffer(nLeft);
            continue;
        }
        UINT nCopy = std::min(nAvail, nMax - nDone);
        std::memcpy(pDest + nDone, m_buffer.data() + m_nBufPos, nCopy);
        m_nBufPos += nCopy;
        nDone += nCopy;
    }
    return nDone;
}

void CArchive::ReadExact(void* lpBuf, UINT nCount) {
    if (Read(lpBuf, nCount) != nCount) {
        AfxThrowArchiveException(CArchiveException::endOfFile);
    }
}

void CArchive::Write(const void* lpBuf, UINT nMax) {
    CheckStoring();
    // Nothing to write may come without a buffer (an empty text has none); memcpy must not see it.
    if (nMax == 0) {
        return;
    }
    const BYTE* pSrc = (const BYTE*)lpBuf;
    if (m_nBufPos + (ULONGLONG)nMax <= m_buffer.size()) {
        std::memcpy(m_buffer.data() + m_nBufPos, pSrc, nMax);
        m_nBufPos += nMax;
        return;
    }
    Flush();
    if (nMax >= m_buffer.size()) {
        m_pFile->Write(pSrc, nMax);
        return;
    }
    std::memcpy(m_buffer.data(), pSrc, nMax);
    m_nBufPos = nMax;
}

ULONGLONG CArchive::GetBytesLeft() const {
    CheckLoading();
    ULONGLONG nLeft = m_nBufEnd - m_nBufPos;
    if (!m_bEndOfFile) {
        ULONGLONG nLength = m_pFile->GetLength();
        ULONGLONG nPosition = m_pFile->GetPosition();
        if (nLength > nPosition) {
            nLeft += nLength - nPosition;
        }
    }
    return nLeft;
}

void CArchive::EnsureReadable(ULONGLONG nBytes) {
    CheckLoading();
    if (nBytes <= (ULONGLONG)(m_nBufEnd - m_nBufPos)) {
        return;
    }
    if (GetBytesLeft() < nBytes) {
        AfxThrowArchiveException(CArchiveException::endOfFile);
    }
}

// ---- integers ----

void CArchive::WriteLE(ULONGLONG value, UINT nBytes) {
    BYTE bytes[8];
    for (UINT i = 0; i < nBytes; ++i) {
        bytes[i] = (BYTE)(value >> (8 * i));
    }
    Write(bytes, nBytes);
}

ULONGLONG CArchive::ReadLE(UINT nBytes) {
    CheckLoading();
    FillBuffer(nBytes);
    if (m_nBufEnd - m_nBufPos < nBytes) {
        AfxThrowArchiveException(CArchiveException::endOfFile);
    }
    ULONGLONG value = 0;
    for (UINT i = 0; i < nBytes; ++i) {
        value |= (ULONGLONG)m_buffer[m_nBufPos + i] << (8 * i);
    }
    m_nBufPos += nBytes;
    return value;
}

CArchive& CArchive::operator<<(BYTE by) {
    WriteLE(by, 1);
    return *this;
}
CArchive& CArchive::operator<<(WORD w) {
    WriteLE(w, 2);
    return *this;
}
CArchive& CArchive::operator<<(SHORT w) {
    WriteLE((WORD)w, 2);
    return *this;
}
CArchive& CArchive::operator<<(char ch) {
    WriteLE((BYTE)ch, 1);
    return *this;
}
CArchive& CArchive::operator<<(DWORD dw) {
    WriteLE(dw, 4);
    return *this;
}
CArchive& CArchive::operator<<(LONG l) {
    WriteLE((DWORD)l, 4);
    return *this;
}
CArchive& CArchive::operator<<(LONGLONG dwdw) {
    WriteLE((ULONGLONG)dwdw, 8);
    return *this;
}
CArchive& CArchive::operator<<(ULONGLONG dwdw) {
    WriteLE(dwdw, 8);
    return *this;
}
CArchive& CArchive::operator<<(float f) {
    DWORD bits;
    std::memcpy(&bits, &f, sizeof(bits));
    WriteLE(bits, 4);
    return *this;
}
CArchive& CArchive::operator<<(double d) {
    ULONGLONG bits;
    std::memcpy(&bits, &d, sizeof(bits));
    WriteLE(bits, 8);
    return *this;
}

CArchive& CArchive::operator>>(BYTE& by) {
    by = (BYTE)ReadLE(1);
    return *this;
}
CArchive& CArchive::operator>>(WORD& w) {
    w = (WORD)ReadLE(2);
    return *this;
}
CArchive& CArchive::operator>>(SHORT& w) {
    w = (SHORT)(WORD)ReadLE(2);
    return *this;
}
CArchive& CArchive::operator>>(char& ch) {
    ch = (char)(BYTE)ReadLE(1);
    return *this;
}
CArchive& CArchive::operator>>(DWORD& dw) {
    dw = (DWORD)ReadLE(4);
    return *this;
}
CArchive& CArchive::operator>>(LONG& l) {
    l = (LONG)(DWORD)ReadLE(4);
    return *this;
}
CArchive& CArchive::operator>>(LONGLONG& dwdw) {
    dwdw = (LONGLONG)ReadLE(8);
    return *this;
}
CArchive& CArchive::operator>>(ULONGLONG& dwdw) {
    dwdw = ReadLE(8);
    return *this;
}
CArchive& CArchive::operator>>(float& f) {
    DWORD bits = (DWORD)ReadLE(4);
    std::memcpy(&f, &bits, sizeof(f));
    return *this;
}
CArchive& CArchive::operator>>(double& d) {
    ULONGLONG bits = ReadLE(8);
    std::memcpy(&d, &bits, sizeof(d));
    return *this;
}

// ---- texts ----

// 0..254 as one byte; up to 65533 as FF + WORD; beyond as FF FFFF + DWORD. 0xFFFE is kept free
// as the UTF-16 marker and 0xFFFF as the DWORD marker.
void CArchive::WriteLength(ULONGLONG nLength) {
    if (nLength < 0xFF) {
        *this << (BYTE)nLength;
    } else if (nLength < 0xFFFE) {
        *this << (BYTE)0xFF << (WORD)nLength;
    } else {
        *this << (BYTE)0xFF << (WORD)0xFFFF << (DWORD)nLength;
    }
}

// The length after its first byte; the UTF-16 marker is handled by the caller.
ULONGLONG CArchive::ReadLength(BYTE first) {
    if (first < 0xFF) {
        return first;
    }
    WORD w;
    *this >> w;
    if (w == 0xFFFF) {
        DWORD dw;
        *this >> dw;
        return dw;
    }
    return w;
}

void CArchive::WriteString(const CString& str) {
    ULONGLONG nLength = (ULONGLONG)str.GetLength();
    if (nLength > 0xFFFFFFFFull) {
        AfxThrowArchiveException(CArchiveException::genericException);
    }
    WriteLength(nLength);
    Write(str.GetString(), (UINT)nLength);
}

CString CArchive::ReadStringValue() {
    BYTE first;
    *this >> first;
    bool bUnicode = false;
    ULONGLONG nLength;
    if (first < 0xFF) {
        nLength = first;
    } else {
        WORD w;
        *this >> w;
        if (w == 0xFFFE) {
            bUnicode = true;
            *this >> first;
            if (first == 0xFF) {
                WORD w2;
                *this >> w2;
                if (w2 == 0xFFFE) {
                    // A second marker is no length: the text is damaged.
                    AfxThrowArchiveException(CArchiveException::genericException);
                }
                if (w2 == 0xFFFF) {
                    DWORD dw;
                    *this >> dw;
                    nLength = dw;
                } else {
                    nLength = w2;
                }
            } else {
                nLength = first;
            }
        } else if (w == 0xFFFF) {
            DWORD dw;
            *this >> dw;
            nLength = dw;
        } else {
            nLength = w;
        }
    }
    if (nLength == 0) {
        return CString();
    }
    ULONGLONG nBytes = bUnicode ? nLength * 2 : nLength;
    EnsureReadable(nBytes);
    std::string bytes;
    try {
        bytes.resize((size_t)nBytes);
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
    // Runs above 4 GB cannot pass through one UINT read.
    for (ULONGLONG nDone = 0; nDone < nBytes;) {
        UINT nChunk = (UINT)std::min<ULONGLONG>(nBytes - nDone, 0x40000000u);
        ReadExact(bytes.data() + nDone, nChunk);
        nDone += nChunk;
    }
    if (bUnicode) {
        return Utf16UnitsToText((const BYTE*)bytes.data(), nLength);
    }
    return CString(std::move(bytes));
}

// ---- record references ----

void CArchive::WriteClass(const CRuntimeClass* pClassRef) {
    CheckStoring();
    if (pClassRef == nullptr) {
        AfxThrowInvalidArgException();
    }
    if (pClassRef->m_wSchema == 0xFFFF) {
        AfxThrowNotSupportedException();
    }
    auto it = m_storeMap.find(pClassRef);
    if (it != m_storeMap.end()) {
        DWORD nIndex = it->second;
        if (nIndex < wBigObjectTag) {
            *this << (WORD)(wClassTag | nIndex);
        } else {
            *this << wBigObjectTag << (DWORD)(dwBigClassTag | nIndex);
        }
        return;
    }
    if (m_nMapCount >= nMaxMapCount) {
        AfxThrowArchiveException(CArchiveException::badIndex);
    }
    size_t nLength = std::strlen(pClassRef->m_lpszClassName);
    *this << wNewClassTag << (WORD)pClassRef->m_wSchema << (WORD)nLength;
    Write(pClassRef->m_lpszClassName, (UINT)nLength);
    RememberStored(pClassRef, TakeIndex());
}

void CArchive::WriteObject(const CObject* pOb) {
    CheckStoring();
    if (pOb == nullptr) {
        *this << wNullTag;
        return;
    }
    auto it = m_storeMap.find(pOb);
    if (it != m_storeMap.end()) {
        DWORD nIndex = it->second;
        if (nIndex < wBigObjectTag) {
            *this << (WORD)nIndex;
        } else {
            *this << wBigObjectTag << nIndex;
        }
        return;
    }
    WriteClass(pOb->GetRuntimeClass());
    RememberStored(pOb, TakeIndex());
    const_cast<CObject*>(pOb)->Serialize(*this);
}

CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, UINT* pSchema, DWORD* pObTag) {
    CheckLoading();
    if (pClassRefRequested != nullptr && pClassRefRequested->m_wSchema == 0xFFFF) {
        AfxThrowNotSupportedException();
    }
    WORD wTag;
    *this >> wTag;
    DWORD obTag;
    if (wTag == wBigObjectTag) {
        *this >> obTag;
    } else {
        obTag = ((DWORD)(wTag & wClassTag) << 16) | (wTag & ~wClassTag);
    }
    if (!(obTag & dwBigClassTag)) {
        // A record reference, not a class tag.
        if (pObTag == nullptr) {
            AfxThrowArchiveException(CArchiveException::badIndex);
        }
        *pObTag = obTag;
        return nullptr;
    }

    CRuntimeClass* pClassRef;
    UINT nSchema;
    if (wTag == wNewClassTag) {
        WORD wSchema;
        WORD nLength;
        *this >> wSchema >> nLength;
        if (nLength >= nMaxClassNameLength) {
            AfxThrowArchiveException(CArchiveException::badClass);
        }
        char szClassName[nMaxClassNameLength];
        if (Read(szClassName, nLength) != nLength) {
            AfxThrowArchiveException(CArchiveException::badClass);
        }
        szClassName[nLength] = '\0';
        pClassRef = CRuntimeClass::FromName(szClassName);
        // A zero byte inside the name would match a shorter registered name: refuse it.
        if (pClassRef == nullptr || std::strlen(szClassName) != nLength) {
            AfxThrowArchiveException(CArchiveException::badClass);
        }
        if (pClassRef->m_wSchema != wSchema) {
            AfxThrowArchiveException(CArchiveException::badSchema);
        }
        nSchema = wSchema;
        TakeIndex();
        PushLoadEntry({LoadEntry::classEntry, pClassRef});
    } else {
        DWORD nClassIndex = obTag & ~dwBigClassTag;
        if (nClassIndex == 0 || nClassIndex >= m_loadArray.size() ||
            m_loadArray[nClassIndex].kind != LoadEntry::classEntry) {
            AfxThrowArchiveException(CArchiveException::badIndex);
        }
        pClassRef = (CRuntimeClass*)m_loadArray[nClassIndex].ptr;
        nSchema = pClassRef->m_wSchema;
    }

    if (pClassRefRequested != nullptr && !pClassRef->IsDerivedFrom(pClassRefRequested)) {
        AfxThrowArchiveException(CArchiveException::badClass);
    }
    if (pSchema != nullptr) {
        *pSchema = nSchema;
    }
    return pClassRef;
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested) {
    CheckLoading();
    if (pClassRefRequested != nullptr && pClassRefRequested->m_wSchema == 0xFFFF) {
        AfxThrowNotSupportedException();
    }
    UINT nSchema = 0;
    DWORD obTag = 0;
    CRuntimeClass* pClassRef = ReadClass(pClassRefRequested, &nSchema, &obTag);

    if (pClassRef == nullptr) {
        if (obTag >= m_loadArray.size()) {
            AfxThrowArchiveException(CArchiveException::badIndex);
        }
        const LoadEntry& entry = m_loadArray[obTag];
        if (entry.kind == LoadEntry::nullRecord) {
            return nullptr;
        }
        // A class where a record belongs, or a record whose body is still being read (a cycle)
        // or was thrown away: never hand it out.
        if (entry.kind != LoadEntry::recordDone) {
            AfxThrowArchiveException(CArchiveException::badIndex);
        }
        CObject* pOb = (CObject*)entry.ptr;
        if (pClassRefRequested != nullptr && !pOb->IsKindOf(pClassRefRequested)) {
            AfxThrowArchiveException(CArchiveException::badClass);
        }
        return pOb;
    }

    if (m_nMapCount >= nMaxMapCount) {
        AfxThrowArchiveException(CArchiveException::badIndex);
    }
    if (m_nReadDepth >= nMaxReadDepth) {
        AfxThrowArchiveException(CArchiveException::genericException);
    }
    CObject* pOb = pClassRef->CreateObject();
    if (pOb == nullptr) {
        AfxThrowMemoryException();
    }
    size_t nEntry = m_loadArray.size();
    try {
        TakeIndex();
        PushLoadEntry({LoadEntry::recordReading, pOb});
    } catch (...) {
        delete pOb;
        throw;
    }
    ++m_nReadDepth;
    try {
        pOb->Serialize(*this);
    } catch (...) {
        --m_nReadDepth;
        m_loadArray[nEntry] = {LoadEntry::recordFailed, nullptr};
        delete pOb;
        throw;
    }
    --m_nReadDepth;
    m_loadArray[nEntry].kind = LoadEntry::recordDone;
    m_storeMap[pOb] = (DWORD)nEntry;
    return pOb;
}
