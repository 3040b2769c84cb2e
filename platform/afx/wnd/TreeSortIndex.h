// The order of one parent's children under sorted insertion, kept without scanning the siblings.
#pragma once

#include <wx/string.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// A tree's sorted insertion puts a new item before the first sibling whose text compares greater,
// ignoring case. Item texts may change after insertion without the item moving, so the siblings
// need not be in text order and a binary search over them would place items differently. This
// index gives the same places in logarithmic time: a balanced tree over the sibling order whose
// nodes know the greatest text below them, so the first greater sibling is found by one descent.
class CTreeSortIndex {
public:
    struct Node {
        // The text as it compares: every character lowered once, so comparing two is a plain
        // comparison of characters (the same order as comparing the texts ignoring case).
        std::wstring key;
        void* pItem = nullptr;
        Node* pLeft = nullptr;
        Node* pRight = nullptr;
        Node* pParent = nullptr;
        Node* pMax = nullptr;  // the node with the greatest text in this subtree
        uint32_t nPriority = 0;
    };

    // Places pItem where the sorted insertion puts it; the node stays valid as long as the index.
    Node* Insert(void* pItem, const wxString& text);
    // Adds pItem after every sibling (the order the children had before the index was made).
    Node* Append(void* pItem, const wxString& text);
    // A sibling's text changed: it keeps its place, later insertions compare with the new text.
    void SetText(Node* pNode, const wxString& text);
    size_t GetCount() const { return m_nodes.size(); }

    // Calls f(pItem) for every sibling in order.
    template <class F>
    void ForEach(F f) const {
        std::vector<Node*> stack;
        Node* p = m_pRoot;
        while (p != nullptr || !stack.empty()) {
            for (; p != nullptr; p = p->pLeft)
                stack.push_back(p);
            p = stack.back();
            stack.pop_back();
            f(p->pItem);
            p = p->pRight;
        }
    }

private:
    static std::wstring KeyOf(const wxString& text);
    Node* FirstGreater(const std::wstring& key) const;
    Node* InsertBefore(Node* pNext, void* pItem, std::wstring key);
    void Rotate(Node* pNode);
    static void Pull(Node* pNode);
    static bool Greater(const Node* a, const Node* b) { return a->key.compare(b->key) > 0; }

    std::deque<Node> m_nodes;
    Node* m_pRoot = nullptr;
    uint32_t m_nSeed = 0x9E3779B9u;
};
