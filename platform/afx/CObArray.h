// CObArray: a growable array of CObject pointers. It owns the slots, never the objects.
//
// Indexes outside the array raise CInvalidArgException; growth that cannot get memory raises
// CMemoryException.
#pragma once

#include <vector>

#include "platform/afx/AfxTypes.h"
#include "platform/afx/CObject.h"

class CObArray : public CObject {
    DECLARE_DYNAMIC(CObArray)
public:
    CObArray() = default;
    ~CObArray() override = default;

    INT_PTR GetSize() const { return (INT_PTR)m_data.size(); }
    INT_PTR GetCount() const { return (INT_PTR)m_data.size(); }
    BOOL IsEmpty() const { return m_data.empty(); }
    INT_PTR GetUpperBound() const { return (INT_PTR)m_data.size() - 1; }
    // New slots are null; nGrowBy is accepted for compatibility.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
    void FreeExtra();
    void RemoveAll() { m_data.clear(); }

    CObject* GetAt(INT_PTR nIndex) const;
    void SetAt(INT_PTR nIndex, CObject* newElement);
    CObject*& ElementAt(INT_PTR nIndex);
    CObject* operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    CObject*& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
    const CObject** GetData() const { return const_cast<const CObject**>(m_data.data()); }
    CObject** GetData() { return m_data.data(); }

    void SetAtGrow(INT_PTR nIndex, CObject* newElement);
    INT_PTR Add(CObject* newElement);     // the new element's index
    INT_PTR Append(const CObArray& src);  // the index of the first appended element
    void Copy(const CObArray& src);

    void InsertAt(INT_PTR nIndex, CObject* newElement, INT_PTR nCount = 1);
    void InsertAt(INT_PTR nStartIndex, const CObArray* pNewArray);
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1);

private:
    void CheckIndex(INT_PTR nIndex) const;
    std::vector<CObject*> m_data;
};
