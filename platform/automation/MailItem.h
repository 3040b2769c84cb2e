// An item of the mail client: what was read of one message, and "Display" to show it.
#pragma once

#include "platform/automation/DispatchObject.h"
#include "platform/automation/ItemSnapshot.h"

class CMailItem : public CDispatchObject {
public:
    // Made with one reference for the caller.
    explicit CMailItem(CItemSnapshot snapshot);

    const CItemSnapshot& Snapshot() const { return m_snapshot; }

protected:
    const DispMember* Members() const override;
    HRESULT InvokeMember(DISPID dispid, const CDispArgs& args, VARIANT* pResult, UINT* puArgErr,
                         DispFailure& failure) override;
    const char* SourceName() const override;

private:
    HRESULT Display(const CDispArgs& args, UINT* puArgErr, DispFailure& failure);

    CItemSnapshot m_snapshot;
};
