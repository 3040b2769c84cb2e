// One found item: where it lives, its entry id, modification time, subject and running number.
#pragma once

#include "platform/afx/CObject.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CEntryReference : public CObject {
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
    ULONG GetNumber() const { return m_ulNumber; }
    FILETIME GetModificationTime() const { return m_ftModified; }

protected:
    ~CEntryReference() override;

private:
    void FreeCopies();

    SBinary m_profileKey;
    LONG m_lStoreIndex;
    LONG m_lFolderIndex;
    SBinary m_entryID;
    FILETIME m_ftModified;
    LPSTR m_lpszSubject;
    ULONG m_cRef;
    const ULONG m_ulNumber;
};
