// A visit of every item of a tree control below and beside a first item, at any depth.
#pragma once

#include <vector>

#include "platform/afx/wnd/Controls.h"

// Calls visit(item) for hFirst, each sibling after it and every item below them. The first items
// of the levels still to be visited wait on a list, not in a call per level: a folder tree may
// nest tens of thousands of levels. A tree control holds no cycle, so nothing is met twice.
template <class Visit>
void VisitTreeItems(const CTreeCtrl& tree, HTREEITEM hFirst, Visit visit) {
    std::vector<HTREEITEM> levels;
    if (hFirst != nullptr)
        levels.push_back(hFirst);
    while (!levels.empty()) {
        HTREEITEM hItem = levels.back();
        levels.pop_back();
        for (; hItem != nullptr; hItem = tree.GetNextSiblingItem(hItem)) {
            HTREEITEM hChild = tree.GetChildItem(hItem);
            if (hChild != nullptr)
                levels.push_back(hChild);
            visit(hItem);
        }
    }
}
