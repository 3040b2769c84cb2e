// CObList: a doubly linked list of CObject pointers, walked by POSITION. It owns its nodes, never
// the objects. Head/tail access on an empty list and a null position raise CInvalidArgException.
#pragma once

#include "platform/afx/AfxTypes.h"
#include "platform/afx/CObject.h"

class CObList : public CObject {
    DECLARE_DYNAMIC(CObList)
public:
    CObList() = default;
    ~CObList() override;

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    CObject*& GetHead();
    CObject* GetHead() const;
    CObject*& GetTail();
    CObject* GetTail() const;
    CObject* RemoveHead();
    CObject* RemoveTail();

    POSITION AddHead(CObject* newElement);
    POSITION AddTail(CObject* newElement);
    void AddHead(CObList* pNewList);
    void AddTail(CObList* pNewList);
    void RemoveAll();

    POSITION GetHeadPosition() const { return (POSITION)m_pNodeHead; }
    POSITION GetTailPosition() const { return (POSITION)m_pNodeTail; }
    // Return the element at rPosition and move it on (null after the last element).
    CObject*& GetNext(POSITION& rPosition);
    CObject* GetNext(POSITION& rPosition) const;
    CObject*& GetPrev(POSITION& rPosition);
    CObject* GetPrev(POSITION& rPosition) const;

    CObject*& GetAt(POSITION position);
    CObject* GetAt(POSITION position) const;
    void SetAt(POSITION pos, CObject* newElement);
    void RemoveAt(POSITION position);

    POSITION InsertBefore(POSITION position, CObject* newElement);
    POSITION InsertAfter(POSITION position, CObject* newElement);

    // The first position holding exactly this pointer, searched after startAfter (or from the head).
    POSITION Find(CObject* searchValue, POSITION startAfter = nullptr) const;
    // The position of the nIndex-th element (0 = head), or null when out of range.
    POSITION FindIndex(INT_PTR nIndex) const;

private:
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        CObject* data;
    };
    static CNode* NodeOf(POSITION pos);
    CNode* NewNode(CNode* pPrev, CNode* pNext, CObject* data);

    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    INT_PTR m_nCount = 0;
};
