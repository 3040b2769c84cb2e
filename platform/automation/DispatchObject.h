// The base of the runtime's own automation objects: reference counting, member lookup by name
// and argument checking, so that each object only says what its members do.
#pragma once

#include <atomic>
#include <string>

#include "platform/automation/Dispatch.h"

// One member an object answers to.
struct DispMember {
    const char* pszName;  // compared without case, as dispatch names are
    DISPID dispid;
    WORD wKinds;  // DISPATCH_METHOD and/or DISPATCH_PROPERTYGET
    UINT cMinArgs;
    UINT cMaxArgs;
};

// The arguments of one call, by logical position (0 is the first argument).
class CDispArgs {
public:
    explicit CDispArgs(const DISPPARAMS& params) : m_params(params) {}
    UINT Count() const { return m_params.cArgs; }
    // True when the argument was left out: not passed, VT_EMPTY, or VT_ERROR DISP_E_PARAMNOTFOUND.
    bool IsMissing(UINT nIndex) const;
    // A text argument (VT_BSTR, also by reference); a null BSTR is present and empty. Missing
    // optional: *pbPresent false. DISP_E_PARAMNOTOPTIONAL or DISP_E_TYPEMISMATCH otherwise.
    HRESULT GetText(UINT nIndex, bool bOptional, std::string& text, bool* pbPresent, UINT* puArgErr) const;
    // A truth argument (VT_BOOL or an integer, also by reference); missing gives bDefault.
    HRESULT GetBool(UINT nIndex, bool bDefault, bool& value, UINT* puArgErr) const;
    // The index in the caller's reversed array, which puArgErr reports.
    UINT ArrayIndex(UINT nIndex) const { return m_params.cArgs - 1 - nIndex; }
    // The argument as passed (a by-reference variant followed), or null when not passed.
    const VARIANT* Resolve(UINT nIndex) const;

private:
    const DISPPARAMS& m_params;
};

// What a failing member tells its caller: the code, and a description for EXCEPINFO.
struct DispFailure {
    HRESULT hr = S_OK;
    std::string description;
};

class CDispatchObject : public IDispatch {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    // A failing member with a description fills pExcepInfo and answers DISP_E_EXCEPTION, as
    // dispatch does; a caller that passes no EXCEPINFO gets the member's own code instead, so the
    // reason is not lost.
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // Objects made and not yet destroyed, all classes together (tests check for leaks).
    static LONG LiveObjects();

protected:
    CDispatchObject();
    ~CDispatchObject() override;

    // The members, ending with an entry whose name is null.
    virtual const DispMember* Members() const = 0;
    // Runs a member after its kind and argument count were checked. pResult is initialised and
    // never null: a caller that wants no result gets a scratch value cleared afterwards.
    virtual HRESULT InvokeMember(DISPID dispid, const CDispArgs& args, VARIANT* pResult, UINT* puArgErr,
                                 DispFailure& failure) = 0;
    // The name given as source in exception descriptions.
    virtual const char* SourceName() const = 0;

private:
    const DispMember* FindMember(DISPID dispid) const;
    std::atomic<ULONG> m_cRef{1};
};
