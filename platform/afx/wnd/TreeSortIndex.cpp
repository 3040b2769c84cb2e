// The sorted-insertion order of one parent's children.
#include "platform/afx/wnd/TreeSortIndex.h"

#include <cwctype>

// Comparing texts ignoring case lowers each character of both and compares the characters, a
// shorter text before a longer one that starts with it: the lowered copies compare alike.
std::wstring CTreeSortIndex::KeyOf(const wxString& text) {
    std::wstring key = text.ToStdWstring();
    for (wchar_t& c : key)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return key;
}

CTreeSortIndex::Node* CTreeSortIndex::Insert(void* pItem, const wxString& text) {
    std::wstring key = KeyOf(text);
    Node* pNext = FirstGreater(key);
    return InsertBefore(pNext, pItem, std::move(key));
}

CTreeSortIndex::Node* CTreeSortIndex::Append(void* pItem, const wxString& text) {
    return InsertBefore(nullptr, pItem, KeyOf(text));
}

void CTreeSortIndex::SetText(Node* pNode, const wxString& text) {
    if (pNode == nullptr)
        return;
    pNode->key = KeyOf(text);
    for (Node* p = pNode; p != nullptr; p = p->pParent)
        Pull(p);
}

CTreeSortIndex::Node* CTreeSortIndex::FirstGreater(const std::wstring& key) const {
    // Fills mostly come in order: nothing greater is the common answer.
    if (m_pRoot == nullptr || m_pRoot->pMax->key.compare(key) <= 0)
        return nullptr;
    Node* p = m_pRoot;
    while (p != nullptr) {
        if (p->pLeft != nullptr && p->pLeft->pMax->key.compare(key) > 0)
            p = p->pLeft;
        else if (p->key.compare(key) > 0)
            return p;
        else
            p = p->pRight;
    }
    return nullptr;
}

CTreeSortIndex::Node* CTreeSortIndex::InsertBefore(Node* pNext, void* pItem, std::wstring key) {
    Node& node = m_nodes.emplace_back();
    node.key = std::move(key);
    node.pItem = pItem;
    node.pMax = &node;
    // xorshift: priorities only need to look random to keep the tree balanced.
    m_nSeed ^= m_nSeed << 13;
    m_nSeed ^= m_nSeed >> 17;
    m_nSeed ^= m_nSeed << 5;
    node.nPriority = m_nSeed;

    // In order, the new node goes right before pNext: the last node of pNext's left subtree gets
    // it as its right child (or pNext as its left); without pNext it goes after the last node.
    Node* pAt = pNext;
    bool bLeft = true;
    if (pAt == nullptr) {
        pAt = m_pRoot;
        bLeft = false;
    } else if (pAt->pLeft != nullptr) {
        pAt = pAt->pLeft;
        bLeft = false;
    }
    if (pAt == nullptr) {
        m_pRoot = &node;
        return &node;
    }
    if (!bLeft)
        while (pAt->pRight != nullptr)
            pAt = pAt->pRight;
    (bLeft ? pAt->pLeft : pAt->pRight) = &node;
    node.pParent = pAt;

    while (node.pParent != nullptr && node.pParent->nPriority < node.nPriority)
        Rotate(&node);
    for (Node* p = node.pParent; p != nullptr; p = p->pParent)
        Pull(p);
    return &node;
}

// Lifts pNode above its parent, keeping the order.
void CTreeSortIndex::Rotate(Node* pNode) {
    Node* pParent = pNode->pParent;
    Node* pGrand = pParent->pParent;
    if (pParent->pLeft == pNode) {
        pParent->pLeft = pNode->pRight;
        if (pNode->pRight != nullptr)
            pNode->pRight->pParent = pParent;
        pNode->pRight = pParent;
    } else {
        pParent->pRight = pNode->pLeft;
        if (pNode->pLeft != nullptr)
            pNode->pLeft->pParent = pParent;
        pNode->pLeft = pParent;
    }
    pParent->pParent = pNode;
    pNode->pParent = pGrand;
    if (pGrand == nullptr)
        m_pRoot = pNode;
    else if (pGrand->pLeft == pParent)
        pGrand->pLeft = pNode;
    else
        pGrand->pRight = pNode;
    Pull(pParent);
    Pull(pNode);
}

void CTreeSortIndex::Pull(Node* pNode) {
    pNode->pMax = pNode;
    if (pNode->pLeft != nullptr && Greater(pNode->pLeft->pMax, pNode->pMax))
        pNode->pMax = pNode->pLeft->pMax;
    if (pNode->pRight != nullptr && Greater(pNode->pRight->pMax, pNode->pMax))
        pNode->pMax = pNode->pRight->pMax;
}
