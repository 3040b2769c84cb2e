// Test doubles of the user-interface services the model calls: dialogs, panes and the wait cursor.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/ConfigObserver.h"
#include "model/KeyCopy.h"
#include "model/StoreInfo.h"
#include "model/UiServices.h"

namespace qrvtest {

// What the profile chooser double answers; shared so a test can look at it after the run.
struct ChooserScript {
    int nResult = 1;  // IDOK
    std::vector<BYTE> key;
    std::string strName;
    HRESULT hrInit = S_OK;
    HRESULT hrGetKey = S_OK;
    // Filled by the double.
    int nRuns = 0;
    std::vector<BYTE> preselected;
};

class FakeProfileChooser : public IProfileChooser {
public:
    explicit FakeProfileChooser(ChooserScript* pScript) : m_pScript(pScript) {}
    HRESULT Init(const SBinary* lpKey) override {
        if (lpKey != nullptr && lpKey->cb != 0)
            m_pScript->preselected.assign(lpKey->lpb, lpKey->lpb + lpKey->cb);
        return m_pScript->hrInit;
    }
    int DoModal() override {
        ++m_pScript->nRuns;
        return m_pScript->nResult;
    }
    HRESULT GetProfileKey(SBinary* lpKey) override {
        if (FAILED(m_pScript->hrGetKey))
            return m_pScript->hrGetKey;
        return CopyBinaryKey(lpKey, (ULONG)m_pScript->key.size(), m_pScript->key.data());
    }
    CString GetProfileName() override { return m_pScript->strName.c_str(); }

private:
    ChooserScript* m_pScript;
};

// What the store-changes report saw.
struct ReportLog {
    HRESULT hrInit = S_OK;
    int nRuns = 0;
    std::vector<std::string> added;
    std::vector<std::string> removed;
};

class FakeStoreChangesReport : public IStoreChangesReport {
public:
    explicit FakeStoreChangesReport(ReportLog* pLog) : m_pLog(pLog) {}
    HRESULT Init(CStoreInfo** ppAdded, ULONG cAdded, CStoreInfo** ppRemoved, ULONG cRemoved) override {
        if (FAILED(m_pLog->hrInit))
            return m_pLog->hrInit;
        m_pLog->added.clear();
        m_pLog->removed.clear();
        for (ULONG i = 0; ppAdded != nullptr && i < cAdded; ++i)
            m_pLog->added.push_back((LPCSTR)ppAdded[i]->GetStoreName());
        for (ULONG i = 0; ppRemoved != nullptr && i < cRemoved; ++i)
            m_pLog->removed.push_back((LPCSTR)ppRemoved[i]->GetStoreName());
        return S_OK;
    }
    int DoModal() override {
        ++m_pLog->nRuns;
        return 1;
    }

private:
    ReportLog* m_pLog;
};

class FakeSearchProgress : public ISearchProgress {
public:
    void SetStoreProgress(int) override {}
    void SetFolderProgress(int) override {}
    void SetItemProgress(int) override {}
};

// Installs itself for its lifetime.
class FakeUiServices : public IUiServices {
public:
    FakeUiServices() { SetUiServices(this); }
    ~FakeUiServices() override { SetUiServices(nullptr); }

    std::unique_ptr<IProfileChooser> CreateProfileChooser(CWnd*) override {
        return std::make_unique<FakeProfileChooser>(&chooser);
    }
    std::unique_ptr<IStoreChangesReport> CreateStoreChangesReport(CWnd*) override {
        return std::make_unique<FakeStoreChangesReport>(&report);
    }
    std::unique_ptr<ISearchProgress> CreateSearchProgress(CWnd*) override {
        return std::make_unique<FakeSearchProgress>();
    }
    ULONG_PTR GetWindowHandle(CWnd*) override { return 0; }
    void BeginWaitCursor() override { ++nWaitDepth; }
    void EndWaitCursor() override { --nWaitDepth; }
    BOOL HasMainWindow() override { return bMainWindow; }
    void SendCommandToMainWindow(UINT nID) override { mainCommands.push_back(nID); }
    BOOL SendCommandToLeftPane(UINT nID) override {
        leftPaneCommands.push_back(nID);
        return TRUE;
    }

    ChooserScript chooser;
    ReportLog report;
    BOOL bMainWindow = FALSE;
    int nWaitDepth = 0;
    std::vector<UINT> mainCommands;
    std::vector<UINT> leftPaneCommands;
};

// A view that counts how often it was told of a change and answers a chosen code.
class CountingObserver : public IConfigObserver {
public:
    explicit CountingObserver(HRESULT hr = S_OK) : m_hr(hr) {}
    HRESULT OnConfigChange() override {
        ++nCalls;
        if (onChange)
            onChange();
        return m_hr;
    }
    int nCalls = 0;
    std::function<void()> onChange;

private:
    HRESULT m_hr;
};

}  // namespace qrvtest
