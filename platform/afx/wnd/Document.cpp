// The framework's document: views, title and path, and the save and open protocol.
#include "platform/afx/wnd/Document.h"

#include <algorithm>
#include <vector>

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CFile.h"
#include "platform/afx/StoreToMemory.h"
#include "platform/afx/wnd/DocTemplate.h"
#include "platform/afx/wnd/FrameWnd.h"
#include "platform/afx/wnd/UiLanguage.h"
#include "platform/afx/wnd/View.h"
#include "platform/afx/wnd/WinApp.h"
#include "platform/win32/AtomicFile.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

namespace {

// The framework's reports, in the program's language.
void ReportSaveFailure(LPCSTR lpszPathName) {
    AfxMessageBox(AfxFrameworkText("Failed to save document to the file \"%s\".", lpszPathName),
                  MB_ICONEXCLAMATION);
}

}  // namespace

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
ON_COMMAND(ID_FILE_SAVE, &CDocument::OnFileSave)
ON_COMMAND(ID_FILE_SAVE_AS, &CDocument::OnFileSaveAs)
END_MESSAGE_MAP()

CDocument::CDocument() = default;

CDocument::~CDocument() {
    // Views that outlive their document must not reach back into it.
    for (CView* pView : m_views)
        pView->m_pDocument = nullptr;
}

void CDocument::SetTitle(LPCSTR lpszTitle) {
    m_strTitle = lpszTitle;
    UpdateFrameCounts();
}

void CDocument::SetPathName(LPCSTR lpszPathName, BOOL) {
    m_strPathName = lpszPathName;
    // The title is the file's name without its folder.
    CString title = m_strPathName;
    int slash = -1;
    for (int i = 0; i < title.GetLength(); ++i)
        if (title[i] == '/')
            slash = i;
    SetTitle(title.Mid(slash + 1));
}

void CDocument::AddView(CView* pView) {
    if (pView == nullptr || std::find(m_views.begin(), m_views.end(), pView) != m_views.end())
        return;
    m_views.push_back(pView);
    pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView) {
    auto it = std::find(m_views.begin(), m_views.end(), pView);
    if (it == m_views.end())
        return;
    m_views.erase(it);
    pView->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
    std::vector<CView*> views = m_views;
    for (CView* pView : views)
        if (pView != pSender)
            pView->OnUpdate(pSender, lHint, pHint);
}

void CDocument::UpdateFrameCounts() {
    std::vector<CFrameWnd*> frames;
    for (CView* pView : m_views) {
        CFrameWnd* pFrame = pView->GetParentFrame();
        if (pFrame != nullptr && std::find(frames.begin(), frames.end(), pFrame) == frames.end())
            frames.push_back(pFrame);
    }
    for (CFrameWnd* pFrame : frames)
        pFrame->OnUpdateFrameTitle(TRUE);
}

BOOL CDocument::OnNewDocument() {
    DeleteContents();
    m_strPathName = CString();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCSTR lpszPathName) {
    CFile file;
    if (!file.Open(lpszPathName, CFile::modeRead)) {
        ReportOpenFailure(lpszPathName, TRUE);
        return FALSE;
    }
    DeleteContents();
    SetModifiedFlag(TRUE);
    try {
        if (file.GetLength() != 0) {
            CArchive ar(&file, CArchive::load);
            Serialize(ar);
            ar.Close();
        }
        file.Close();
    } catch (CException* e) {
        file.Abort();
        DeleteContents();
        ReportOpenFailure(lpszPathName, e->IsKindOf(RUNTIME_CLASS(CFileException)));
        e->Delete();
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::ReportOpenFailure(LPCSTR lpszPathName, BOOL bFileError) {
    if (bFileError && lpszPathName != nullptr)
        AfxMessageBox(AfxFrameworkText("File \"%s\" could not be opened for reading.", lpszPathName),
                      MB_ICONEXCLAMATION);
    else
        AfxMessageBox(AfxFrameworkText("Sorry, could not open this file."), MB_ICONEXCLAMATION);
}

BOOL CDocument::OnSaveDocument(LPCSTR lpszPathName) {
    if (lpszPathName == nullptr || *lpszPathName == '\0')
        return FALSE;
    // The whole document is made in memory first: only a complete copy replaces the old file, and
    // the file that replaces it is new, under a name nobody can foresee, so a file or link planted
    // beside the document is never written through. A link at the document's own name is replaced,
    // and the new file gets the permissions a newly created file gets.
    std::vector<BYTE> data;
    if (!StoreToMemory(*this, data)) {
        ReportSaveFailure(lpszPathName);
        return FALSE;
    }
    qrvfile::ReplaceOptions options;
    options.nMode = 0666;
    options.bUmask = true;
    const bool bWritten = qrvfile::ReplaceFileAtomically(lpszPathName, data.data(), data.size(), options);
    if (!bWritten) {
        ReportSaveFailure(lpszPathName);
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::OnCloseDocument() {
    DeleteContents();
}

BOOL CDocument::SaveModified() {
    if (!IsModified())
        return TRUE;
    CString name = GetPathName().IsEmpty() ? GetTitle() : GetPathName();
    CString prompt = AfxFrameworkText("Do you want to save changes to %s?", name);
    switch (AfxMessageBox(prompt, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDCANCEL:
            return FALSE;
        case IDYES:
            return DoFileSave();
        default:
            return TRUE;
    }
}

BOOL CDocument::DoSave(LPCSTR lpszPathName, BOOL bReplace) {
    CString newName = lpszPathName ? lpszPathName : "";
    if (newName.IsEmpty()) {
        // The dialog starts at the document's own file; one never saved offers its title in the
        // current folder.
        newName = GetPathName();
        CString ext;
        if (newName.IsEmpty()) {
            newName = GetTitle();
            if (m_pDocTemplate != nullptr && m_pDocTemplate->GetDocString(ext, CDocTemplate::filterExt) &&
                !ext.IsEmpty() && newName.Find(ext) < 0)
                newName += ext;
        }
        CWinApp* pApp = AfxGetApp();
        if (pApp == nullptr ||
            !pApp->DoPromptFileName(newName, AfxFrameworkText("Save As"), FALSE, m_pDocTemplate))
            return FALSE;
    }
    if (!OnSaveDocument(newName))
        return FALSE;
    if (bReplace)
        SetPathName(newName);
    return TRUE;
}

BOOL CDocument::DoFileSave() {
    if (GetPathName().IsEmpty())
        return DoSave(nullptr);
    return DoSave(GetPathName());
}

void CDocument::OnFileSave() {
    DoFileSave();
}

void CDocument::OnFileSaveAs() {
    DoSave(nullptr);
}
