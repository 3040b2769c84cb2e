// The mail client's application object: its one namespace, as the "Session" property.
#pragma once

#include "platform/automation/DispatchObject.h"

class CMailNameSpace;

class CMailApplication : public CDispatchObject {
public:
    // Made with one reference for the caller.
    CMailApplication();

protected:
    ~CMailApplication() override;
    const DispMember* Members() const override;
    HRESULT InvokeMember(DISPID dispid, const CDispArgs& args, VARIANT* pResult, UINT* puArgErr,
                         DispFailure& failure) override;
    const char* SourceName() const override;

private:
    // Made on first use; every "Session" read hands out the same namespace.
    CMailNameSpace* m_pNameSpace = nullptr;
};
