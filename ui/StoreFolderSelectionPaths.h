// The paths that the General page's folder list shows for the chosen folders of one store.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/afx/CString.h"
#include "platform/mapi/MAPIInterfaces.h"

// Names the folders of one opened store by their path below its IPM subtree, as
// CFolderInfo::GetFullPath does, with two differences that the list needs:
// - every folder the store still holds gets a path: one that cannot be followed up to the subtree
//   (a folder that is its own ancestor, a parent that cannot be read) is named from the innermost
//   folders it could read, after the cut mark, like a folder deeper than the path's bound;
// - each folder of the store is read once for all the paths asked of one object, so a list of
//   folders that lie below each other costs in proportion to their number, at any depth.
class CListedFolderPaths {
public:
    explicit CListedFolderPaths(LPMDB lpMDB);
    CListedFolderPaths(const CListedFolderPaths&) = delete;
    CListedFolderPaths& operator=(const CListedFolderPaths&) = delete;

    // S_OK with the whole path; S_FOLDER_PATH_CUT with the cut mark and the innermost names (at
    // most FOLDER_PATH_MAX_DEPTH); S_FOLDER_VANISHED, and an empty path, when the store no longer
    // holds the folder.
    HRESULT GetPath(const SBinary& folderID, CString& strPath);

private:
    // A folder read on some climb. Its parent is another node, the IPM subtree, or unknown (the
    // climb could go no further: a cycle, a parent that could not be read).
    static constexpr int kTop = -1;
    static constexpr int kUnknown = -2;
    static constexpr int kVanished = -3;
    struct Node {
        std::string name;
        int nParent;
    };
    // The node of a folder, read (with the folders above it that no climb read yet) when it is
    // met first; kVanished when the store no longer holds the folder.
    int Climb(const std::string& id);

    LPMDB m_lpMDB;
    std::string m_ipmSubtree;
    std::unordered_map<std::string, int> m_index;
    std::vector<Node> m_nodes;
};
