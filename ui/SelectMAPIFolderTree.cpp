// The folder picker's store side: the known special folders and the folder tree read from MAPI.
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "model/ErrorBoxes.h"
#include "platform/mapi/MAPIFunctions.h"
#include "platform/mapi/MAPITags.h"
#include "platform/win32/MessageBox.h"
#include "trace/Trace.h"
#include "ui/SelectMAPIFolderDlg.h"

namespace {

// Hierarchy tables are read in batches of this many rows.
const LONG kRowBatch = 50;
// Junk e-mail is the fifth entry id of the root folder's additional special folders.
const ULONG kJunkIndex = 4;

void FreeKey(SBinary& key) {
    std::free(key.lpb);
    key.lpb = nullptr;
    key.cb = 0;
}

// Copies a binary value into an empty key; anything else leaves it empty.
void CopyBinaryValue(const SPropValue& value, ULONG ulTag, SBinary& key) {
    FreeKey(key);
    if (value.ulPropTag != ulTag)
        return;
    if (PROP_TYPE(value.ulPropTag) != PT_BINARY) {
        QTRACE(TRACE_ERROR, "Failure: Invalid data type specified!\n");
        return;
    }
    const SBinary& bin = value.Value.bin;
    if (bin.cb == 0 || bin.lpb == nullptr)
        return;
    key.lpb = static_cast<LPBYTE>(std::malloc(bin.cb));
    if (key.lpb == nullptr)
        return;
    std::memcpy(key.lpb, bin.lpb, bin.cb);
    key.cb = bin.cb;
}

// Reads one binary property of an object into a key; a failure leaves the key empty.
void ReadBinaryProp(LPMAPIPROP lpProp, ULONG ulTag, SBinary& key) {
    SizedSPropTagArray(1, tags) = {1, {ulTag}};
    ULONG cValues = 0;
    LPSPropValue lpValues = nullptr;
    HRESULT hr = lpProp->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValues);
    if (SUCCEEDED(hr) && cValues == 1 && lpValues != nullptr)
        CopyBinaryValue(lpValues[0], ulTag, key);
    else
        FreeKey(key);
    MAPIFreeBuffer(lpValues);
}

// A folder's entry id as bytes, to tell folders already listed; empty when it cannot be read.
std::string EntryKey(LPMAPIPROP lpProp) {
    SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpValues = nullptr;
    std::string key;
    if (SUCCEEDED(lpProp->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValues)) &&
        cValues == 1 && lpValues != nullptr && lpValues[0].ulPropTag == PR_ENTRYID &&
        lpValues[0].Value.bin.lpb != nullptr)
        key.assign(reinterpret_cast<const char*>(lpValues[0].Value.bin.lpb), lpValues[0].Value.bin.cb);
    MAPIFreeBuffer(lpValues);
    return key;
}

}  // namespace

HRESULT CSelectMAPIFolderDlg::InitKnownFolders() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSelectMAPIFolderDlg::InitKnownFolders", hr);
    if (m_lpMDB == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: No store!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    FreeKnownFolders();
    ReadBinaryProp(m_lpMDB, PR_IPM_OUTBOX_ENTRYID, m_sbinOutbox);
    ReadBinaryProp(m_lpMDB, PR_IPM_SENTMAIL_ENTRYID, m_sbinSentItems);

    ULONG cbInbox = 0;
    LPENTRYID lpInbox = nullptr;
    if (SUCCEEDED(m_lpMDB->GetReceiveFolder(nullptr, 0, &cbInbox, &lpInbox, nullptr)) && cbInbox > 0 &&
        lpInbox != nullptr) {
        m_sbinInbox.lpb = static_cast<LPBYTE>(std::malloc(cbInbox));
        if (m_sbinInbox.lpb == nullptr) {
            QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate inbox key!\n");
        } else {
            std::memcpy(m_sbinInbox.lpb, lpInbox, cbInbox);
            m_sbinInbox.cb = cbInbox;
        }
    }
    MAPIFreeBuffer(lpInbox);

    ReadBinaryProp(m_lpMDB, PR_IPM_WASTEBASKET_ENTRYID, m_sbinWasteBasket);

    ULONG ulType = 0;
    LPMAPIFOLDER lpRoot = nullptr;
    hr = m_lpMDB->OpenEntry(0, nullptr, nullptr, MAPI_BEST_ACCESS, &ulType,
                            reinterpret_cast<LPUNKNOWN*>(&lpRoot));
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "OpenEntry() failed: hr = 0x%08lx\n", (ULONG)hr);
        return hr;
    }
    ReadBinaryProp(lpRoot, PR_IPM_DRAFTS_ENTRYID, m_sbinDrafts);

    SizedSPropTagArray(1, tags) = {1, {PR_ADDITIONAL_REN_ENTRYIDS}};
    ULONG cValues = 0;
    LPSPropValue lpValues = nullptr;
    if (SUCCEEDED(lpRoot->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValues)) &&
        cValues == 1 && lpValues != nullptr && lpValues[0].ulPropTag == PR_ADDITIONAL_REN_ENTRYIDS &&
        lpValues[0].Value.MVbin.cValues > kJunkIndex) {
        SPropValue junk{};
        junk.ulPropTag = CHANGE_PROP_TYPE(PR_ADDITIONAL_REN_ENTRYIDS, PT_BINARY);
        junk.Value.bin = lpValues[0].Value.MVbin.lpbin[kJunkIndex];
        CopyBinaryValue(junk, junk.ulPropTag, m_sbinJunk);
    }
    MAPIFreeBuffer(lpValues);
    lpRoot->Release();
    hr = S_OK;
    return hr;
}

HRESULT CSelectMAPIFolderDlg::FillTreeCtrl() {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSelectMAPIFolderDlg::FillTreeCtrl", hr);
    if (m_lpMDB == nullptr) {
        QTRACE(TRACE_ERROR, "Store not set!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    RemoveDataPointers(m_Tree.GetRootItem());
    m_Tree.DeleteAllItems();

    SizedSPropTagArray(1, tags) = {1, {PR_IPM_SUBTREE_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpValues = nullptr;
    LPMAPIFOLDER lpSubtree = nullptr;
    ULONG ulType = 0;
    hr = m_lpMDB->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValues);
    if (FAILED(hr) || lpValues == nullptr || cValues != 1) {
        if (SUCCEEDED(hr))
            hr = E_FAIL;
        QTRACE(TRACE_ERROR, "GetProps() failed: hr = 0x%08lx\n", (ULONG)hr);
        MAPIFreeBuffer(lpValues);
        return hr;
    }
    if (lpValues[0].ulPropTag != PR_IPM_SUBTREE_ENTRYID) {
        hr = PROP_TYPE(lpValues[0].ulPropTag) == PT_ERROR ? lpValues[0].Value.err : E_FAIL;
        if (SUCCEEDED(hr))
            hr = MAPI_E_NOT_FOUND;
        QTRACE(TRACE_ERROR, "GetProps() failed: hr = 0x%08lx\n", (ULONG)hr);
        MAPIFreeBuffer(lpValues);
        return hr;
    }
    hr = m_lpMDB->OpenEntry(lpValues[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(lpValues[0].Value.bin.lpb),
                            nullptr, MAPI_BEST_ACCESS, &ulType, reinterpret_cast<LPUNKNOWN*>(&lpSubtree));
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "OpenEntry() failed: hr = 0x%08lx\n", (ULONG)hr);
        MAPIFreeBuffer(lpValues);
        return hr;
    }
    hr = InsertChildItems(lpSubtree, TVI_ROOT);
    if (hr == E_ACCESSDENIED) {
        ShowMessage(
            this, "Access denied",
            "For some folders access to the sub folder list was denied. Therefore, the folder list is "
            "incomplete.",
            208, 209, MB_ICONINFORMATION);
        hr = S_OK;
    } else if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "InsertChildItems() failed: hr = 0x%08lx\n", (ULONG)hr);
    }
    MAPIFreeBuffer(lpValues);
    lpSubtree->Release();
    return hr;
}

BOOL CSelectMAPIFolderDlg::IsSelectableClass(const SRow& row) const {
    static const char kNoteClass[] = "IPF.Note";
    const SPropValue* pClass = row.cValues >= 3 ? &row.lpProps[2] : nullptr;
    if (m_pszFolderClass == nullptr || *m_pszFolderClass == '\0') {
        if (pClass == nullptr || PROP_TYPE(pClass->ulPropTag) == PT_ERROR ||
            PROP_TYPE(pClass->ulPropTag) == PT_NULL || pClass->Value.lpszA == nullptr)
            return TRUE;
        return std::strncmp(pClass->Value.lpszA, kNoteClass, sizeof(kNoteClass) - 1) == 0;
    }
    if (pClass == nullptr || pClass->ulPropTag != PR_CONTAINER_CLASS_A || pClass->Value.lpszA == nullptr)
        return FALSE;
    return std::strncmp(pClass->Value.lpszA, m_pszFolderClass, std::strlen(m_pszFolderClass)) == 0;
}

HRESULT CSelectMAPIFolderDlg::InsertChildItems(LPMAPIFOLDER lpFolder, HTREEITEM hParent) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSelectMAPIFolderDlg::InsertChildItems", hr);
    // The tree is walked level by level with a list of folders still to be listed, not by a call
    // per level: a store may nest folders thousands of levels deep. A damaged store may hold a
    // cycle of folders; every folder is listed once at most, so the walk always ends.
    std::set<std::string> shown;
    shown.insert(EntryKey(lpFolder));
    std::vector<CPendingFolder> pending;
    lpFolder->AddRef();
    pending.push_back({lpFolder, hParent});
    BOOL bDenied = FALSE;
    while (!pending.empty()) {
        const CPendingFolder next = pending.back();
        pending.pop_back();
        HRESULT hrLevel = InsertFolderLevel(next.lpFolder, next.hItem, shown, pending);
        next.lpFolder->Release();
        if (hrLevel == E_ACCESSDENIED) {
            bDenied = TRUE;
        } else if (FAILED(hrLevel)) {
            QTRACE(TRACE_ERROR, "InsertChildItems() failed: hr = 0x%08lx\n", (ULONG)hrLevel);
            hr = hrLevel;
            break;
        }
    }
    for (const CPendingFolder& rest : pending)
        rest.lpFolder->Release();
    if (SUCCEEDED(hr) && bDenied)
        hr = E_ACCESSDENIED;
    return hr;
}

HRESULT CSelectMAPIFolderDlg::InsertFolderLevel(LPMAPIFOLDER lpFolder, HTREEITEM hParent,
                                                std::set<std::string>& shown,
                                                std::vector<CPendingFolder>& pending) {
    HRESULT hr = S_OK;
    BOOL bSkip = TRUE;
    HRESULT hrCheck = ShouldSkipFolder(lpFolder, &bSkip);
    if (FAILED(hrCheck))
        QTRACE(TRACE_ERROR, "ShouldSkipFolder() failed: hr = 0x%08lx\n", (ULONG)hrCheck);
    if (bSkip) {
        QTRACE(TRACE_INFO, "Folder tree skipped.\n");
        return hr;
    }
    SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_CONTAINER_CLASS_A}};
    LPMAPITABLE lpTable = nullptr;
    hr = lpFolder->GetHierarchyTable(0, &lpTable);
    if (hr == E_ACCESSDENIED) {
        ULONG cValues = 0;
        LPSPropValue lpValues = nullptr;
        LPCSTR pszName = "<unknown>";
        if (SUCCEEDED(
                lpFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&columns), 0, &cValues, &lpValues)) &&
            cValues >= 2 && lpValues != nullptr && lpValues[1].ulPropTag == PR_DISPLAY_NAME_A &&
            lpValues[1].Value.lpszA != nullptr)
            pszName = lpValues[1].Value.lpszA;
        QTRACE(TRACE_WARNING, "Access denied to hierarchy table of folder \"%s\"!\n", pszName);
        MAPIFreeBuffer(lpValues);
        return hr;
    }
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetHierarchyTable() failed: hr = 0x%08lx\n", (ULONG)hr);
        return hr;
    }
    LPSRowSet lpRows = nullptr;
    hr = lpTable->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "SetColumns() failed: hr = 0x%08lx\n", (ULONG)hr);
        goto End;
    }
    for (;;) {
        FreeProws(lpRows);
        lpRows = nullptr;
        hr = lpTable->QueryRows(kRowBatch, 0, &lpRows);
        if (FAILED(hr)) {
            QTRACE(TRACE_ERROR, "QueryRows() failed: hr = 0x%08lx\n", (ULONG)hr);
            goto End;
        }
        if (lpRows == nullptr) {
            QTRACE(TRACE_ERROR, "QueryRows() failed: Row pointer is NULL\n");
            hr = E_FAIL;
            goto End;
        }
        if (lpRows->cRows == 0)
            break;
        for (ULONG r = 0; r < lpRows->cRows; ++r) {
            const SRow& row = lpRows->aRow[r];
            if (row.cValues < 2)
                continue;
            const SPropValue& id = row.lpProps[0];
            LPCSTR pszName =
                (PROP_TYPE(row.lpProps[1].ulPropTag) == PT_ERROR || row.lpProps[1].Value.lpszA == nullptr)
                    ? "<?>"
                    : row.lpProps[1].Value.lpszA;
            ULONG cbID = id.ulPropTag == PR_ENTRYID ? id.Value.bin.cb : 0;
            auto lpID = reinterpret_cast<LPENTRYID>(id.ulPropTag == PR_ENTRYID ? id.Value.bin.lpb : nullptr);
            BOOL bSkipRow = TRUE;
            hrCheck = ShouldSkipFolder(cbID, lpID, &bSkipRow);
            if (FAILED(hrCheck))
                QTRACE(TRACE_ERROR, "ShouldSkipFolder() failed: hr = 0x%08lx\n", (ULONG)hrCheck);
            if (bSkipRow) {
                QTRACE(TRACE_INFO, "Folder skipped.\n");
                continue;
            }
            if (!shown.insert(std::string(reinterpret_cast<const char*>(lpID), cbID)).second) {
                QTRACE(TRACE_WARNING, "Folder \"%s\" is listed already: the folders form a cycle!\n",
                       pszName);
                continue;
            }
            auto* pData = new (std::nothrow) CItemData;
            if (pData == nullptr) {
                QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate data structure!\n");
                QTRACE(TRACE_ERROR, "Skipping folder \"%s\"\n", pszName);
                continue;
            }
            if (IsSelectableClass(row)) {
                pData->m_Key.lpb = static_cast<LPBYTE>(std::malloc(cbID));
                if (pData->m_Key.lpb == nullptr) {
                    QTRACE(TRACE_ERROR, "malloc() failed: Unable to allocate buffer for key!\n");
                    QTRACE(TRACE_ERROR, "Entry will not be selectable.\n");
                } else {
                    std::memcpy(pData->m_Key.lpb, lpID, cbID);
                    pData->m_Key.cb = cbID;
                    pData->m_bSelectable = 1;
                }
            }
            LPMAPIFOLDER lpChild = nullptr;
            ULONG ulType = 0;
            int nImage = FOLDER_IMAGE_UNKNOWN;
            HRESULT hrOpen = lpFolder->OpenEntry(cbID, lpID, nullptr, MAPI_BEST_ACCESS, &ulType,
                                                 reinterpret_cast<LPUNKNOWN*>(&lpChild));
            if (FAILED(hrOpen)) {
                QTRACE(TRACE_ERROR, "pFolder->OpenEntry() failed: hr = 0x%08lx\n", (ULONG)hrOpen);
                lpChild = nullptr;
            } else {
                nImage = GetFolderImage(lpChild);
            }
            HTREEITEM hItem = m_Tree.InsertItem(pszName, nImage, nImage, hParent, TVI_SORT);
            if (hItem == nullptr) {
                QTRACE(TRACE_ERROR, "Failed to insert folder \"%s\"!\n", pszName);
                delete pData;
                if (lpChild != nullptr)
                    lpChild->Release();
                continue;
            }
            m_Tree.SetItemData(hItem, reinterpret_cast<DWORD_PTR>(pData));
            // Its children are listed when the walk comes back to the list; a folder that could
            // not be opened gets none.
            if (lpChild != nullptr) {
                try {
                    pending.push_back({lpChild, hItem});
                } catch (const std::bad_alloc&) {
                    lpChild->Release();
                    hr = E_OUTOFMEMORY;
                    goto End;
                }
            }
        }
    }
End:
    lpTable->Release();
    FreeProws(lpRows);
    return hr;
}

BOOL CSelectMAPIFolderDlg::IsSameEntry(const SBinary& known, ULONG cbEntryID, LPENTRYID lpEntryID,
                                       LPCSTR pszName) {
    if (known.cb == 0 || known.lpb == nullptr || m_lpMDB == nullptr)
        return FALSE;
    ULONG ulResult = FALSE;
    HRESULT hr = m_lpMDB->CompareEntryIDs(known.cb, reinterpret_cast<LPENTRYID>(known.lpb), cbEntryID,
                                          lpEntryID, 0, &ulResult);
    if (FAILED(hr)) {
        if (pszName != nullptr)
            QTRACE(TRACE_ERROR, "CompareEntryIDs(%s) failed: hr = 0x%08lx\n", pszName, (ULONG)hr);
        else
            QTRACE(TRACE_ERROR, "CompareEntryIDs() failed: hr = 0x%08lx\n", (ULONG)hr);
        return FALSE;
    }
    return ulResult != FALSE;
}

HRESULT CSelectMAPIFolderDlg::ShouldSkipFolder(ULONG cbEntryID, LPENTRYID lpEntryID, BOOL* pbSkip) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSelectMAPIFolderDlg::ShouldSkipFolder", hr);
    *pbSkip = TRUE;
    if (cbEntryID == 0) {
        QTRACE(TRACE_ERROR, "Invalid folder key length specified!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    if (lpEntryID == nullptr) {
        QTRACE(TRACE_ERROR, "Invalid folder key specified!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    *pbSkip = FALSE;
    if (IsSameEntry(m_sbinWasteBasket, cbEntryID, lpEntryID, nullptr)) {
        QTRACE(TRACE_INFO, "Folder is waste basket.\n");
        *pbSkip = TRUE;
    } else if (IsSameEntry(m_sbinJunk, cbEntryID, lpEntryID, nullptr)) {
        QTRACE(TRACE_INFO, "Folder is junk folder.\n");
        *pbSkip = TRUE;
    }
    return hr;
}

HRESULT CSelectMAPIFolderDlg::ShouldSkipFolder(LPMAPIFOLDER lpFolder, BOOL* pbSkip) {
    HRESULT hr = S_OK;
    TRACE_FUNC_RESULT("CSelectMAPIFolderDlg::ShouldSkipFolder", hr);
    *pbSkip = TRUE;
    if (lpFolder == nullptr) {
        QTRACE(TRACE_ERROR, "Invalid folder object specified!\n");
        hr = E_INVALIDARG;
        return hr;
    }
    if (m_lpMDB == nullptr) {
        *pbSkip = FALSE;
        QTRACE(TRACE_WARNING, "Store pointer invalid!\n");
        return hr;
    }
    SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpValues = nullptr;
    hr = lpFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValues);
    if (FAILED(hr)) {
        QTRACE(TRACE_ERROR, "GetProps() failed: hr = 0x%08lx\n", (ULONG)hr);
    } else if (cValues != 1 || lpValues == nullptr) {
        QTRACE(TRACE_ERROR, "GetProps() failed: Invalid return array size of %ld!\n", (LONG)cValues);
        hr = E_FAIL;
    } else if (lpValues[0].ulPropTag != PR_ENTRYID) {
        QTRACE(TRACE_ERROR, "Found folder without entryID!\n");
        hr = S_OK;
    } else {
        hr = ShouldSkipFolder(lpValues[0].Value.bin.cb,
                              reinterpret_cast<LPENTRYID>(lpValues[0].Value.bin.lpb), pbSkip);
        if (FAILED(hr))
            QTRACE(TRACE_ERROR, "ShouldSkipFolder() failed: hr = 0x%08lx\n", (ULONG)hr);
    }
    MAPIFreeBuffer(lpValues);
    return hr;
}

int CSelectMAPIFolderDlg::GetFolderImage(LPMAPIFOLDER lpFolder) {
    int nImage = FOLDER_IMAGE_UNKNOWN;
    TRACE_FUNC_RESULT("CSelectMAPIFolderDlg::GetFolderImage", nImage);
    if (lpFolder == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid folder specified!\n");
        return nImage;
    }
    if (m_lpMDB == nullptr) {
        QTRACE(TRACE_ERROR, "Failure: Invalid store!\n");
        return nImage;
    }
    SizedSPropTagArray(3, tags) = {3, {PR_ENTRYID, PR_DISPLAY_NAME_A, PR_CONTAINER_CLASS_A}};
    ULONG cValues = 0;
    LPSPropValue lpValues = nullptr;
    HRESULT hr = lpFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValues);
    if (FAILED(hr) || lpValues == nullptr) {
        QTRACE(TRACE_ERROR, "GetProps() failed: hr = 0x%08lx\n", (ULONG)hr);
        MAPIFreeBuffer(lpValues);
        return nImage;
    }
    if (cValues >= 1 && lpValues[0].ulPropTag == PR_ENTRYID) {
        ULONG cb = lpValues[0].Value.bin.cb;
        auto lpID = reinterpret_cast<LPENTRYID>(lpValues[0].Value.bin.lpb);
        const struct {
            const SBinary* pKey;
            LPCSTR pszName;
            int nImage;
        } known[] = {{&m_sbinDrafts, "m_sbinDrafts", FOLDER_IMAGE_DRAFTS},
                     {&m_sbinWasteBasket, "m_sbinWasteBasket", FOLDER_IMAGE_DELETED},
                     {&m_sbinSentItems, "m_sbinSentItems", FOLDER_IMAGE_SENT},
                     {&m_sbinOutbox, "m_sbinOutbox", FOLDER_IMAGE_OUTBOX},
                     {&m_sbinInbox, "m_sbinInbox", FOLDER_IMAGE_MAIL},
                     {&m_sbinJunk, "m_sbinJunk", FOLDER_IMAGE_JUNK}};
        for (const auto& k : known) {
            if (IsSameEntry(*k.pKey, cb, lpID, k.pszName)) {
                nImage = k.nImage;
                MAPIFreeBuffer(lpValues);
                return nImage;
            }
        }
    }
    if (cValues < 3) {
        nImage = FOLDER_IMAGE_UNKNOWN;
    } else if (PROP_TYPE(lpValues[2].ulPropTag) == PT_ERROR || lpValues[2].Value.lpszA == nullptr) {
        nImage = FOLDER_IMAGE_MAIL;
    } else {
        const struct {
            LPCSTR pszClass;
            int nImage;
        } classes[] = {{"IPF.Task", FOLDER_IMAGE_TASKS},
                       {"IPF.Journal", FOLDER_IMAGE_JOURNAL},
                       {"IPF.Appointment", FOLDER_IMAGE_CALENDAR},
                       {"IPF.Contact", FOLDER_IMAGE_CONTACTS},
                       {"IPF.StickyNote", FOLDER_IMAGE_NOTES}};
        nImage = FOLDER_IMAGE_MAIL;
        for (const auto& c : classes) {
            if (std::strncmp(lpValues[2].Value.lpszA, c.pszClass, std::strlen(c.pszClass)) == 0) {
                nImage = c.nImage;
                break;
            }
        }
    }
    MAPIFreeBuffer(lpValues);
    return nImage;
}
