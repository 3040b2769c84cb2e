// CMap: a hash map whose walk order is fixed by its bucket count and hash, as the user sees it.
//
// Buckets hold singly linked chains. A new key goes to the head of its bucket's chain; storing
// under a key already present replaces the value in place. A walk (GetStartPosition and
// GetNextAssoc) visits buckets 0 to n-1 in ascending order and each chain from its head, so
// within one bucket the key added last comes first. The bucket table (17 buckets unless
// InitHashTable chose otherwise) is allocated on the first insertion. The map owns its
// associations; it frees neither keys that are pointers nor values that are pointers.
//
// The hash of an integer or pointer key is the key shifted right by 4 bits; the bucket is that
// hash modulo the bucket count. Failures to allocate raise CMemoryException.
#pragma once

#include <new>
#include <type_traits>
#include <utility>

#include "platform/afx/AfxTypes.h"
#include "platform/afx/CException.h"
#include "platform/afx/CObject.h"
#include "platform/afx/CString.h"

template <class ARG_KEY>
inline UINT HashKey(ARG_KEY key) {
    if constexpr (std::is_pointer_v<std::decay_t<ARG_KEY>>) {
        return (UINT)(((ULONG_PTR)key) >> 4);
    } else {
        return (UINT)(((ULONG_PTR)(ULONGLONG)key) >> 4);
    }
}

// Texts hash by their bytes (multiplicative, 33), so equal texts land in one bucket.
inline UINT HashKey(LPCSTR key) {
    UINT nHash = 0;
    if (key != nullptr) {
        while (*key) {
            nHash = (nHash << 5) + nHash + (BYTE)*key++;
        }
    }
    return nHash;
}
inline UINT HashKey(const CString& key) {
    return HashKey((LPCSTR)key);
}

template <class TYPE, class ARG_TYPE>
inline BOOL CompareElements(const TYPE* pElement1, const ARG_TYPE* pElement2) {
    return *pElement1 == *pElement2;
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
public:
    struct CAssoc {
        CAssoc* pNext;
        UINT nHashValue;  // the full hash, so a walk can find the next bucket
        KEY key;
        VALUE value;
    };

    // nBlockSize is accepted for compatibility; associations are allocated one by one.
    explicit CMap(INT_PTR nBlockSize = 10) : m_nBlockSize(nBlockSize) {}
    ~CMap() override { RemoveAll(); }
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }
    UINT GetHashTableSize() const { return m_nHashTableSize; }

    // Chooses the bucket count; only while the map is empty (otherwise it changes nothing).
    void InitHashTable(UINT hashSize, BOOL bAllocNow = TRUE) {
        if (m_nCount != 0 || hashSize == 0) {
            return;
        }
        delete[] m_pHashTable;
        m_pHashTable = nullptr;
        m_nHashTableSize = hashSize;
        if (bAllocNow) {
            AllocTable();
        }
    }

    BOOL Lookup(ARG_KEY key, VALUE& rValue) const {
        UINT nHash;
        CAssoc* pAssoc = GetAssocAt(key, nHash);
        if (pAssoc == nullptr) {
            return FALSE;
        }
        rValue = pAssoc->value;
        return TRUE;
    }
    // The association of key, or null.
    CAssoc* PLookup(ARG_KEY key) const {
        UINT nHash;
        return GetAssocAt(key, nHash);
    }

    // The value slot of key, made (value-initialised) at the head of its bucket when new.
    VALUE& operator[](ARG_KEY key) {
        UINT nHash;
        CAssoc* pAssoc = GetAssocAt(key, nHash);
        if (pAssoc == nullptr) {
            if (m_pHashTable == nullptr) {
                AllocTable();
            }
            pAssoc = new (std::nothrow) CAssoc{nullptr, nHash, KEY(key), VALUE()};
            if (pAssoc == nullptr) {
                AfxThrowMemoryException();
            }
            UINT nBucket = nHash % m_nHashTableSize;
            pAssoc->pNext = m_pHashTable[nBucket];
            m_pHashTable[nBucket] = pAssoc;
            ++m_nCount;
        }
        return pAssoc->value;
    }
    void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }

    BOOL RemoveKey(ARG_KEY key) {
        if (m_pHashTable == nullptr) {
            return FALSE;
        }
        UINT nHash = HashKey(key);
        CAssoc** ppAssocPrev = &m_pHashTable[nHash % m_nHashTableSize];
        for (CAssoc* pAssoc = *ppAssocPrev; pAssoc != nullptr; pAssoc = pAssoc->pNext) {
            if (pAssoc->nHashValue == nHash && CompareElements<KEY, ARG_KEY>(&pAssoc->key, &key)) {
                *ppAssocPrev = pAssoc->pNext;
                delete pAssoc;
                --m_nCount;
                return TRUE;
            }
            ppAssocPrev = &pAssoc->pNext;
        }
        return FALSE;
    }

    // Frees every association and the bucket table; the bucket count stays.
    void RemoveAll() {
        if (m_pHashTable != nullptr) {
            for (UINT nBucket = 0; nBucket < m_nHashTableSize; ++nBucket) {
                CAssoc* pAssoc = m_pHashTable[nBucket];
                while (pAssoc != nullptr) {
                    CAssoc* pNext = pAssoc->pNext;
                    delete pAssoc;
                    pAssoc = pNext;
                }
            }
            delete[] m_pHashTable;
            m_pHashTable = nullptr;
        }
        m_nCount = 0;
    }

    POSITION GetStartPosition() const { return m_nCount == 0 ? nullptr : BEFORE_START_POSITION; }
    // Hands out the association at rNextPosition and moves on; null after the last one.
    void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const {
        CAssoc* pAssoc = (CAssoc*)rNextPosition;
        if (pAssoc == nullptr || m_pHashTable == nullptr) {
            AfxThrowInvalidArgException();
        }
        if (pAssoc == (CAssoc*)BEFORE_START_POSITION) {
            pAssoc = FirstInBucketFrom(0);
            if (pAssoc == nullptr) {
                AfxThrowInvalidArgException();
            }
        }
        CAssoc* pAssocNext = pAssoc->pNext;
        if (pAssocNext == nullptr) {
            pAssocNext = FirstInBucketFrom(pAssoc->nHashValue % m_nHashTableSize + 1);
        }
        rNextPosition = (POSITION)pAssocNext;
        rKey = pAssoc->key;
        rValue = pAssoc->value;
    }

private:
    void AllocTable() {
        m_pHashTable = new (std::nothrow) CAssoc*[m_nHashTableSize]();
        if (m_pHashTable == nullptr) {
            AfxThrowMemoryException();
        }
    }
    CAssoc* FirstInBucketFrom(UINT nBucket) const {
        for (; nBucket < m_nHashTableSize; ++nBucket) {
            if (m_pHashTable[nBucket] != nullptr) {
                return m_pHashTable[nBucket];
            }
        }
        return nullptr;
    }
    CAssoc* GetAssocAt(ARG_KEY key, UINT& nHash) const {
        nHash = HashKey(key);
        if (m_pHashTable == nullptr) {
            return nullptr;
        }
        for (CAssoc* pAssoc = m_pHashTable[nHash % m_nHashTableSize]; pAssoc != nullptr;
             pAssoc = pAssoc->pNext) {
            if (pAssoc->nHashValue == nHash && CompareElements<KEY, ARG_KEY>(&pAssoc->key, &key)) {
                return pAssoc;
            }
        }
        return nullptr;
    }

    CAssoc** m_pHashTable = nullptr;
    UINT m_nHashTableSize = 17;
    INT_PTR m_nCount = 0;
    INT_PTR m_nBlockSize;
};
