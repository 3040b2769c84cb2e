// The folder list's paths: each folder of the store read once, every folder named.
#include "ui/StoreFolderSelectionPaths.h"

#include <unordered_set>
#include <utility>

#include "model/FolderInfo.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/MAPITags.h"
#include "trace/Trace.h"

namespace {
std::string Bytes(const SBinary& bin) {
    return bin.cb > 0 && bin.lpb != nullptr ? std::string(reinterpret_cast<const char*>(bin.lpb), bin.cb)
                                            : std::string();
}

LPENTRYID EntryID(const std::string& id) {
    return reinterpret_cast<LPENTRYID>(const_cast<char*>(id.data()));
}
}  // namespace

CListedFolderPaths::CListedFolderPaths(LPMDB lpMDB) : m_lpMDB(lpMDB) {
    SizedSPropTagArray(1, tags) = {1, {PR_IPM_SUBTREE_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpProps = nullptr;
    HRESULT hr = m_lpMDB->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpProps);
    if (SUCCEEDED(hr) && cValues == 1 && lpProps != nullptr && lpProps[0].ulPropTag == PR_IPM_SUBTREE_ENTRYID)
        m_ipmSubtree = Bytes(lpProps[0].Value.bin);
    else
        QTRACE(TRACE_ERROR, "No IPM subtree: hr = 0x%08lx; every path is cut.\n", (ULONG)hr);
    MAPIFreeBuffer(lpProps);
}

int CListedFolderPaths::Climb(const std::string& id) {
    // The folders read on this climb, innermost first, with their names; the climb goes up in a
    // loop and stops at a folder read before, at the subtree, or where it can go no further.
    std::vector<std::pair<std::string, std::string>> read;
    std::unordered_set<std::string> climbed;
    int nTop = kUnknown;
    std::string current = id;
    SizedSPropTagArray(2, tags) = {2, {PR_DISPLAY_NAME_A, PR_PARENT_ENTRYID}};
    for (;;) {
        if (auto known = m_index.find(current); known != m_index.end()) {
            nTop = known->second;
            break;
        }
        if (!climbed.insert(current).second) {
            QTRACE(TRACE_WARNING, "Folder is its own ancestor: its path is cut.\n");
            break;
        }
        ULONG ulType = 0;
        LPMAPIFOLDER lpFolder = nullptr;
        HRESULT hr = m_lpMDB->OpenEntry((ULONG)current.size(), EntryID(current), nullptr, MAPI_BEST_ACCESS,
                                        &ulType, reinterpret_cast<LPUNKNOWN*>(&lpFolder));
        if (FAILED(hr)) {
            if (read.empty()) {
                if (hr == MAPI_E_NOT_FOUND)
                    return kVanished;
                QTRACE(TRACE_ERROR, "OpenEntry() failed: hr = 0x%08lx\n", (ULONG)hr);
                read.emplace_back(current, "<?>");
            }
            break;
        }
        ULONG cValues = 0;
        LPSPropValue lpProps = nullptr;
        hr = lpFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpProps);
        lpFolder->Release();
        const bool bValues = SUCCEEDED(hr) && cValues == 2 && lpProps != nullptr;
        const bool bName =
            bValues && lpProps[0].ulPropTag == PR_DISPLAY_NAME_A && lpProps[0].Value.lpszA != nullptr;
        read.emplace_back(current, bName ? lpProps[0].Value.lpszA : "<?>");
        std::string parent;
        if (bValues && lpProps[1].ulPropTag == PR_PARENT_ENTRYID)
            parent = Bytes(lpProps[1].Value.bin);
        MAPIFreeBuffer(lpProps);
        if (parent.empty())
            break;
        ULONG ulAtTop = FALSE;
        if (!m_ipmSubtree.empty() &&
            SUCCEEDED(m_lpMDB->CompareEntryIDs((ULONG)parent.size(), EntryID(parent),
                                               (ULONG)m_ipmSubtree.size(), EntryID(m_ipmSubtree), 0,
                                               &ulAtTop)) &&
            ulAtTop) {
            nTop = kTop;
            break;
        }
        current = std::move(parent);
    }
    // Outermost first, so that each node's parent is already there.
    int nNode = nTop;
    for (auto folder = read.rbegin(); folder != read.rend(); ++folder) {
        m_nodes.push_back(Node{std::move(folder->second), nNode});
        nNode = (int)m_nodes.size() - 1;
        m_index.emplace(std::move(folder->first), nNode);
    }
    return nNode;
}

HRESULT CListedFolderPaths::GetPath(const SBinary& folderID, CString& strPath) {
    strPath.Empty();
    int nNode = Climb(Bytes(folderID));
    if (nNode == kVanished)
        return S_FOLDER_VANISHED;
    std::vector<const std::string*> names;
    for (; nNode >= 0 && names.size() < FOLDER_PATH_MAX_DEPTH; nNode = m_nodes[nNode].nParent)
        names.push_back(&m_nodes[nNode].name);
    const bool bCut = nNode != kTop;
    if (bCut)
        strPath = FOLDER_PATH_CUT_MARK;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (!strPath.IsEmpty())
            strPath += "\\";
        strPath += (*name)->c_str();
    }
    return bCut ? S_FOLDER_PATH_CUT : S_OK;
}
