// The item object: Display, and the item's class, subject and entry id as properties.
#include "platform/automation/MailItem.h"

#include "platform/automation/ItemViewer.h"

namespace {

enum : DISPID {
    DISPID_ITEM_DISPLAY = 1,
    DISPID_ITEM_SUBJECT,
    DISPID_ITEM_MESSAGECLASS,
    DISPID_ITEM_ENTRYID,
};

const DispMember ITEM_MEMBERS[] = {
    {"Display", DISPID_ITEM_DISPLAY, DISPATCH_METHOD, 0, 1},
    {"Subject", DISPID_ITEM_SUBJECT, DISPATCH_PROPERTYGET, 0, 0},
    {"MessageClass", DISPID_ITEM_MESSAGECLASS, DISPATCH_PROPERTYGET, 0, 0},
    {"EntryID", DISPID_ITEM_ENTRYID, DISPATCH_PROPERTYGET, 0, 0},
    {nullptr, 0, 0, 0, 0},
};

HRESULT ReturnText(const std::string& text, VARIANT* pResult) {
    pResult->bstrVal = BstrFromUtf8(text);
    if (pResult->bstrVal == nullptr)
        return E_OUTOFMEMORY;
    pResult->vt = VT_BSTR;
    return S_OK;
}

}  // namespace

CMailItem::CMailItem(CItemSnapshot snapshot) : m_snapshot(std::move(snapshot)) {}

const DispMember* CMailItem::Members() const {
    return ITEM_MEMBERS;
}

const char* CMailItem::SourceName() const {
    return "Mail client item";
}

HRESULT CMailItem::InvokeMember(DISPID dispid, const CDispArgs& args, VARIANT* pResult, UINT* puArgErr,
                                DispFailure& failure) {
    switch (dispid) {
        case DISPID_ITEM_DISPLAY:
            return Display(args, puArgErr, failure);
        case DISPID_ITEM_SUBJECT:
            return ReturnText(m_snapshot.subject, pResult);
        case DISPID_ITEM_MESSAGECLASS:
            return ReturnText(m_snapshot.messageClass, pResult);
        case DISPID_ITEM_ENTRYID:
            return ReturnText(m_snapshot.entryIdHex, pResult);
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT CMailItem::Display(const CDispArgs& args, UINT* puArgErr, DispFailure& failure) {
    bool bModal = false;
    HRESULT hr = args.GetBool(0, false, bModal, puArgErr);
    if (FAILED(hr))
        return hr;
    IItemViewer* pViewer = GetItemViewer();
    if (pViewer == nullptr) {
        failure.description = "There is no display to show the item on.";
        return E_FAIL;
    }
    hr = pViewer->ShowItem(m_snapshot, bModal);
    if (FAILED(hr))
        failure.description = "The item window could not be opened.";
    return hr;
}
