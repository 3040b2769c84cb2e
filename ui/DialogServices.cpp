// Adapters from the model's dialog interfaces to the dialogs.
#include "ui/DialogServices.h"

#include "ui/ProfileDialog.h"
#include "ui/ProfileStoreChangesDlg.h"

namespace {

class CProfileDialogChooser : public IProfileChooser {
public:
    explicit CProfileDialogChooser(CWnd* pParent) : m_dlg(pParent) {}
    HRESULT Init(const SBinary* lpProfileKey) override { return m_dlg.Init(lpProfileKey); }
    int DoModal() override { return (int)m_dlg.DoModal(); }
    HRESULT GetProfileKey(SBinary* lpKey) override { return m_dlg.GetProfileKey(lpKey); }
    CString GetProfileName() override { return m_dlg.GetProfileName(); }

private:
    CProfileDialog m_dlg;
};

class CProfileStoreChangesReport : public IStoreChangesReport {
public:
    explicit CProfileStoreChangesReport(CWnd* pParent) : m_dlg(pParent) {}
    HRESULT Init(CStoreInfo** ppAdded, ULONG cAdded, CStoreInfo** ppRemoved, ULONG cRemoved) override {
        return m_dlg.Init(ppAdded, cAdded, ppRemoved, cRemoved);
    }
    int DoModal() override { return (int)m_dlg.DoModal(); }

private:
    CProfileStoreChangesDlg m_dlg;
};

}  // namespace

std::unique_ptr<IProfileChooser> CreateProfileDialogChooser(CWnd* pParent) {
    return std::make_unique<CProfileDialogChooser>(pParent);
}

std::unique_ptr<IStoreChangesReport> CreateProfileStoreChangesReport(CWnd* pParent) {
    return std::make_unique<CProfileStoreChangesReport>(pParent);
}
