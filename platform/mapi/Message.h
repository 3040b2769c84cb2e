// A message of a store: its stored properties, the computed ones, and changes until SaveChanges.
#pragma once

#include "platform/mapi/PropObject.h"

namespace qrvmapi {

// The properties every message has without storing them: ids, keys and its object type.
bool IsMessageComputed(ULONG pid);
bool MessageComputedCell(ULONG pid, const CStoreDb& store, LONGLONG id, LONGLONG folder, CPropCell& cell);

class CMessageImpl : public CPropObject<IMessage> {
public:
    // id 0 makes a new message of the folder that SaveChanges writes for the first time; an
    // existing one comes with the properties it kept when it was opened (a snapshot, as items are).
    CMessageImpl(std::shared_ptr<CStoreDb> store, LONGLONG id, LONGLONG folder, bool writable,
                 CStoredCells stored = {});

    // Writes the pending changes in one transaction. Every save stamps PR_LAST_MODIFICATION_TIME
    // unless the caller set it; a new message also gets PR_CREATION_TIME and, when the caller gave
    // none, the message class "IPM.Note".
    HRESULT SaveChanges(ULONG ulFlags) override;

protected:
    bool Supports(REFIID riid) const override { return riid == IID_IMessage || riid == IID_IMAPIProp; }
    HRESULT CollectProps(std::vector<CPropCell>& cells) override;
    HRESULT FindProps(LPSPropTagArray lpTags, std::vector<std::optional<CPropCell>>& cells) override;
    bool IsComputed(ULONG pid) const override { return IsMessageComputed(pid); }
    HRESULT ApplyChanges(const CPropChanges& changes) override;

private:
    // Reads every property the message keeps now, when it was opened with a table's columns only
    // and a caller asks for more: from then on the item is a snapshot of that read.
    HRESULT CompleteStored();

    LONGLONG m_id;
    LONGLONG m_folder;
    CPropChanges m_pending;
    CStoredCells m_stored;  // in property-id order; maybe only a table's columns (see CompleteStored)
};

}  // namespace qrvmapi
