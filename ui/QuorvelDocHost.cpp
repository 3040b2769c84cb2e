// The framework document around the configuration document.
#include "ui/QuorvelDocHost.h"

#include "language/LanguageSettings.h"
#include "platform/afx/wnd/UiLanguage.h"
#include "resources/Resource.h"
#include "trace/Trace.h"

IMPLEMENT_DYNCREATE(CQuorvelDocHost, CDocument)

BEGIN_MESSAGE_MAP(CQuorvelDocHost, CDocument)
ON_COMMAND(ID_DELETE_CONFIGURATION, &CQuorvelDocHost::OnDeleteConfiguration)
ON_UPDATE_COMMAND_UI(ID_DELETE_CONFIGURATION, &CQuorvelDocHost::OnUpdateDeleteConfiguration)
END_MESSAGE_MAP()

CQuorvelDocHost::CQuorvelDocHost() {
    TRACE_CTOR("CQuorvelDocHost");
    // The framework's prompts about this document (save changes, open and save dialogs, their
    // failures) speak the program's current language.
    AfxSetUiLanguageProvider([] { return (WORD)GetCurrentLanguageID(); });
}

CQuorvelDocHost::~CQuorvelDocHost() {
    TRACE_DTOR("CQuorvelDocHost");
    AfxSetUiLanguageProvider(nullptr);
}

void CQuorvelDocHost::SetTitle(LPCSTR lpszTitle) {
    m_doc.SetTitle(lpszTitle);
    UpdateFrameCounts();
}

void CQuorvelDocHost::SetPathName(LPCSTR, BOOL) {
    UpdateFrameCounts();
}

BOOL CQuorvelDocHost::OnNewDocument() {
    BOOL bResult = m_doc.OnNewDocument();
    UpdateFrameCounts();
    return bResult;
}

BOOL CQuorvelDocHost::OnOpenDocument(LPCSTR lpszPathName) {
    if (m_doc.OnOpenDocument(lpszPathName))
        return TRUE;
    // A damaged document has shown its own box; the rest is reported here.
    if (m_doc.GetOpenFailure() != CQuorvelDoc::OpenFailure::None)
        ReportOpenFailure(lpszPathName, m_doc.GetOpenFailure() == CQuorvelDoc::OpenFailure::FileError);
    return FALSE;
}

BOOL CQuorvelDocHost::OnSaveDocument(LPCSTR lpszPathName) {
    return m_doc.OnSaveDocument(lpszPathName);
}

void CQuorvelDocHost::OnDeleteConfiguration() {
    m_doc.OnDeleteConfiguration();
}

void CQuorvelDocHost::OnUpdateDeleteConfiguration(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_doc.IsDeleteConfigurationEnabled());
}
