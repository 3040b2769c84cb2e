// A folder of a store: its properties, contents and hierarchy tables, and message changes.
#pragma once

#include "platform/mapi/PropObject.h"

namespace qrvmapi {

class CMsgStoreImpl;

// Every property of a folder: computed ones (ids, keys, name, class, counts, the special-folder
// ids on the root and the inbox) and the ones stored for it. With 'counts' false the content
// count and the subfolder flag, which read the folder's contents, are left out.
HRESULT FolderCells(CStoreDb& store, const CFolderRow& row, std::vector<CPropCell>& cells,
                    bool counts = true);

class CFolderImpl : public CPropObject<IMAPIFolder> {
public:
    CFolderImpl(CMsgStoreImpl* owner, const CFolderRow& row, bool writable);
    ~CFolderImpl() override;

    HRESULT GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    // CONVENIENT_DEPTH lists every folder below, with PR_DEPTH; otherwise the direct children.
    HRESULT GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                      ULONG* lpulObjType, LPUNKNOWN* lppUnk) override;
    HRESULT CreateMessage(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) override;
    HRESULT DeleteMessages(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam, LPMAPIPROGRESS lpProgress,
                           ULONG ulFlags) override;
    // OPEN_IF_EXISTS opens a folder of that name that is already there instead of failing.
    HRESULT CreateFolder(ULONG ulFolderType, LPCSTR lpszFolderName, LPCSTR lpszFolderComment,
                         LPCIID lpInterface, ULONG ulFlags, LPMAPIFOLDER* lppFolder) override;

protected:
    bool Supports(REFIID riid) const override {
        return riid == IID_IMAPIFolder || riid == IID_IMAPIContainer || riid == IID_IMAPIProp;
    }
    HRESULT CollectProps(std::vector<CPropCell>& cells) override;
    // Counts the folder's contents only when one of the tags asks for a count.
    HRESULT FindProps(LPSPropTagArray lpTags, std::vector<std::optional<CPropCell>>& cells) override;
    bool IsComputed(ULONG pid) const override;
    HRESULT ApplyChanges(const CPropChanges& changes) override;

private:
    HRESULT ReadCells(std::vector<CPropCell>& cells, bool counts);

    CMsgStoreImpl* m_owner;  // holds a reference
    CFolderRow m_row;
};

}  // namespace qrvmapi
