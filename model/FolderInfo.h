// One chosen folder of a chosen message store, saved inside the store's record.
#pragma once

#include "model/InfoObject.h"
#include "platform/afx/CString.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

struct IMsgStore;
struct IMAPIFolder;

// Success code of GetFullPath: the store no longer holds the folder (its path is then empty).
#define S_FOLDER_VANISHED ((HRESULT)0x00F00001)

// Success code of GetFullPath: the folder lies deeper than FOLDER_PATH_MAX_DEPTH below the IPM
// subtree; its path names the innermost folders only, after FOLDER_PATH_CUT_MARK.
#define S_FOLDER_PATH_CUT ((HRESULT)0x00F00002)

// Bound of a folder path, in folders, and so of the climb from a folder to the IPM subtree: a
// store that is damaged, or a folder that lies outside the subtree, would otherwise climb for ever.
#define FOLDER_PATH_MAX_DEPTH 64
// Stands first in a path whose outer folders were left out ("…").
#define FOLDER_PATH_CUT_MARK "\xE2\x80\xA6"

class CFolderInfo : public CInfoObject {
    DECLARE_SERIAL(CFolderInfo)

public:
    CFolderInfo();
    ~CFolderInfo() override;

    void Serialize(CArchive& ar) override;
    // Frees both keys and resets the value; the reference count stays.
    virtual void Clear();
    // Both keys empty, the value 6, the reference count 0.
    virtual void Init();

    // Copies a key whose count and bytes are both given; E_OUTOFMEMORY when a copy fails, and
    // then the folder holds neither key (never a folder with half its identity).
    HRESULT Init(ULONG cbStoreKey, const BYTE* lpbStoreKey, ULONG cbFolderKey, const BYTE* lpbFolderKey);

    ULONG AddRef();
    ULONG Release();

    // A heap copy (malloc) of the folder's entry id, which the caller frees; empty when the folder
    // has none. *lpKey is set empty first.
    HRESULT GetFolderKey(SBinary* lpKey);

    // The folder's path below the store's IPM subtree, outermost name first, joined by "\";
    // S_FOLDER_VANISHED (and an empty path) when the store no longer holds the folder;
    // S_FOLDER_PATH_CUT for a folder deeper than FOLDER_PATH_MAX_DEPTH, whose path is the cut
    // mark and its innermost FOLDER_PATH_MAX_DEPTH names.
    HRESULT GetFullPath(IMsgStore* lpMDB, CString& strPath);
    // The climb of GetFullPath: appends the names of the folder's parents below the IPM subtree,
    // then the folder's own name. E_FAIL at a folder met again on the way up (lpFolderID, when
    // given, is the folder's own entry id); S_FOLDER_PATH_CUT, with the cut mark before the names,
    // when the climb reaches FOLDER_PATH_MAX_DEPTH names below the subtree.
    HRESULT GetParentPath(IMsgStore* lpMDB, const SBinary& IPMSubtreeID, IMAPIFolder* lpFolder,
                          CString& strPath, int nDepth = 0, const SBinary* lpFolderID = nullptr);

protected:
    void SaveVersion1(CArchive& ar);
    void LoadVersion1(CArchive& ar);

private:
    SBinary m_StoreKey;
    SBinary m_FolderKey;
    DWORD m_dwValue;
    ULONG m_ulRefCount;
};
