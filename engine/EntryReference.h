// One found item: where it lives, its entry id, modification time, subject and running number.
#pragma once

#include "engine/SmallBlockPool.h"
#include "platform/afx/CObject.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

// A search makes one per item, so the reference is pooled and keeps its entry id, profile key and
// subject in one pooled block, which starts with the entry id and is sized by the three counts.
class CEntryReference : public CObject, public CPooledObject {
public:
    // ulNumber is the search's running number, the entry's key inside its drawer.
    explicit CEntryReference(ULONG ulNumber);

    virtual ULONG Release();
    virtual ULONG AddRef();
    // A heap copy of the subject (caller frees), or NULL when the item had none.
    virtual HRESULT GetSubjectLine(LPSTR* lppszSubject);
    // Copies the keys and the subject into the reference's own heap blocks.
    virtual HRESULT Init(const SBinary* lpProfileKey, LONG lStoreIndex, LONG lFolderIndex,
                         const SBinary* lpEntryID, FILETIME ftModified, LPCSTR lpszSubject);
    virtual void InitObject();

    LONG GetStoreIndex() const { return m_lStoreIndex; }
    LONG GetFolderIndex() const { return m_lFolderIndex; }
    // A heap copy of the entry id (caller frees lpb), empty when there is none.
    HRESULT GetEntryID(SBinary* lpEntryID);
    // The entry id where the reference keeps it, valid while the reference lives: for reading many
    // ids at once without a copy of each. Empty when there is none.
    SBinary EntryIDView() const { return SBinary{m_pBlock != nullptr ? m_cbEntryID : 0, m_pBlock}; }
    ULONG GetNumber() const { return m_ulNumber; }
    FILETIME GetModificationTime() const { return m_ftModified; }

protected:
    ~CEntryReference() override;

private:
    void FreeCopies();
    // The subject's place in the block, or NULL when the item had none.
    LPCSTR Subject() const;
    size_t BlockBytes() const;

    LPBYTE m_pBlock;  // entry id, then profile key, then subject with its terminator; NULL before Init
    ULONG m_cbEntryID;
    ULONG m_cbProfileKey : 31;
    ULONG m_fSubject : 1;  // the block ends with a subject
    LONG m_lStoreIndex;
    LONG m_lFolderIndex;
    ULONG m_cRef;
    FILETIME m_ftModified;
    const ULONG m_ulNumber;
};
