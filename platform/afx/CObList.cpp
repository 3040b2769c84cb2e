// CObList: doubly linked nodes whose addresses serve as the POSITION values of a walk.
#include "platform/afx/CObList.h"

#include <new>

#include "platform/afx/CException.h"

IMPLEMENT_DYNAMIC(CObList, CObject)

CObList::~CObList() {
    RemoveAll();
}

CObList::CNode* CObList::NodeOf(POSITION pos) {
    if (pos == nullptr) {
        AfxThrowInvalidArgException();
    }
    return (CNode*)pos;
}

CObList::CNode* CObList::NewNode(CNode* pPrev, CNode* pNext, CObject* data) {
    CNode* pNode = new (std::nothrow) CNode{pNext, pPrev, data};
    if (pNode == nullptr) {
        AfxThrowMemoryException();
    }
    ++m_nCount;
    return pNode;
}

CObject*& CObList::GetHead() {
    if (m_pNodeHead == nullptr) {
        AfxThrowInvalidArgException();
    }
    return m_pNodeHead->data;
}

CObject* CObList::GetHead() const {
    if (m_pNodeHead == nullptr) {
        AfxThrowInvalidArgException();
    }
    return m_pNodeHead->data;
}

CObject*& CObList::GetTail() {
    if (m_pNodeTail == nullptr) {
        AfxThrowInvalidArgException();
    }
    return m_pNodeTail->data;
}

CObject* CObList::GetTail() const {
    if (m_pNodeTail == nullptr) {
        AfxThrowInvalidArgException();
    }
    return m_pNodeTail->data;
}

CObject* CObList::RemoveHead() {
    CObject* data = GetHead();
    RemoveAt((POSITION)m_pNodeHead);
    return data;
}

CObject* CObList::RemoveTail() {
    CObject* data = GetTail();
    RemoveAt((POSITION)m_pNodeTail);
    return data;
}

POSITION CObList::AddHead(CObject* newElement) {
    CNode* pNode = NewNode(nullptr, m_pNodeHead, newElement);
    if (m_pNodeHead != nullptr) {
        m_pNodeHead->pPrev = pNode;
    } else {
        m_pNodeTail = pNode;
    }
    m_pNodeHead = pNode;
    return (POSITION)pNode;
}

POSITION CObList::AddTail(CObject* newElement) {
    CNode* pNode = NewNode(m_pNodeTail, nullptr, newElement);
    if (m_pNodeTail != nullptr) {
        m_pNodeTail->pNext = pNode;
    } else {
        m_pNodeHead = pNode;
    }
    m_pNodeTail = pNode;
    return (POSITION)pNode;
}

void CObList::AddHead(CObList* pNewList) {
    if (pNewList == nullptr) {
        AfxThrowInvalidArgException();
    }
    // Walk backwards so the other list's order is kept in front of ours.
    POSITION pos = pNewList->GetTailPosition();
    INT_PTR nCount = pNewList->GetCount();
    for (INT_PTR i = 0; i < nCount; ++i) {
        AddHead(pNewList->GetPrev(pos));
    }
}

void CObList::AddTail(CObList* pNewList) {
    if (pNewList == nullptr) {
        AfxThrowInvalidArgException();
    }
    // Counting keeps adding a list to itself finite.
    POSITION pos = pNewList->GetHeadPosition();
    INT_PTR nCount = pNewList->GetCount();
    for (INT_PTR i = 0; i < nCount; ++i) {
        AddTail(pNewList->GetNext(pos));
    }
}

void CObList::RemoveAll() {
    CNode* pNode = m_pNodeHead;
    while (pNode != nullptr) {
        CNode* pNext = pNode->pNext;
        delete pNode;
        pNode = pNext;
    }
    m_pNodeHead = m_pNodeTail = nullptr;
    m_nCount = 0;
}

CObject*& CObList::GetNext(POSITION& rPosition) {
    CNode* pNode = NodeOf(rPosition);
    rPosition = (POSITION)pNode->pNext;
    return pNode->data;
}

CObject* CObList::GetNext(POSITION& rPosition) const {
    CNode* pNode = NodeOf(rPosition);
    rPosition = (POSITION)pNode->pNext;
    return pNode->data;
}

CObject*& CObList::GetPrev(POSITION& rPosition) {
    CNode* pNode = NodeOf(rPosition);
    rPosition = (POSITION)pNode->pPrev;
    return pNode->data;
}

CObject* CObList::GetPrev(POSITION& rPosition) const {
    CNode* pNode = NodeOf(rPosition);
    rPosition = (POSITION)pNode->pPrev;
    return pNode->data;
}

CObject*& CObList::GetAt(POSITION position) {
    return NodeOf(position)->data;
}

CObject* CObList::GetAt(POSITION position) const {
    return NodeOf(position)->data;
}

void CObList::SetAt(POSITION pos, CObject* newElement) {
    NodeOf(pos)->data = newElement;
}

void CObList::RemoveAt(POSITION position) {
    CNode* pNode = NodeOf(position);
    if (pNode->pPrev != nullptr) {
        pNode->pPrev->pNext = pNode->pNext;
    } else {
        m_pNodeHead = pNode->pNext;
    }
    if (pNode->pNext != nullptr) {
        pNode->pNext->pPrev = pNode->pPrev;
    } else {
        m_pNodeTail = pNode->pPrev;
    }
    delete pNode;
    --m_nCount;
}

POSITION CObList::InsertBefore(POSITION position, CObject* newElement) {
    if (position == nullptr) {
        return AddHead(newElement);
    }
    CNode* pOld = NodeOf(position);
    CNode* pNode = NewNode(pOld->pPrev, pOld, newElement);
    if (pOld->pPrev != nullptr) {
        pOld->pPrev->pNext = pNode;
    } else {
        m_pNodeHead = pNode;
    }
    pOld->pPrev = pNode;
    return (POSITION)pNode;
}

POSITION CObList::InsertAfter(POSITION position, CObject* newElement) {
    if (position == nullptr) {
        return AddTail(newElement);
    }
    CNode* pOld = NodeOf(position);
    CNode* pNode = NewNode(pOld, pOld->pNext, newElement);
    if (pOld->pNext != nullptr) {
        pOld->pNext->pPrev = pNode;
    } else {
        m_pNodeTail = pNode;
    }
    pOld->pNext = pNode;
    return (POSITION)pNode;
}

POSITION CObList::Find(CObject* searchValue, POSITION startAfter) const {
    CNode* pNode = startAfter == nullptr ? m_pNodeHead : ((CNode*)startAfter)->pNext;
    for (; pNode != nullptr; pNode = pNode->pNext) {
        if (pNode->data == searchValue) {
            return (POSITION)pNode;
        }
    }
    return nullptr;
}

POSITION CObList::FindIndex(INT_PTR nIndex) const {
    if (nIndex < 0 || nIndex >= m_nCount) {
        return nullptr;
    }
    CNode* pNode = m_pNodeHead;
    while (nIndex-- > 0) {
        pNode = pNode->pNext;
    }
    return (POSITION)pNode;
}
