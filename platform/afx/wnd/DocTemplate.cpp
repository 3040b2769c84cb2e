// Document templates and the single-document template.
#include "platform/afx/wnd/DocTemplate.h"

#include "platform/afx/wnd/Document.h"
#include "platform/afx/wnd/FrameWnd.h"
#include "platform/afx/wnd/Resources.h"
#include "platform/afx/wnd/View.h"
#include "platform/afx/wnd/WinApp.h"

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource),
      m_pDocClass(pDocClass),
      m_pFrameClass(pFrameClass),
      m_pViewClass(pViewClass) {
    m_strDocStrings = AfxLoadString(nIDResource).c_str();
}

CDocTemplate::~CDocTemplate() = default;

BOOL CDocTemplate::GetDocString(CString& rString, enum DocStringIndex index) const {
    rString = CString();
    int part = 0;
    int start = 0;
    const int n = m_strDocStrings.GetLength();
    for (int i = 0; i <= n; ++i) {
        if (i == n || m_strDocStrings[i] == '\n') {
            if (part == (int)index) {
                rString = m_strDocStrings.Mid(start, i - start);
                return TRUE;
            }
            ++part;
            start = i + 1;
        }
    }
    return FALSE;
}

CDocument* CDocTemplate::CreateNewDocument() {
    if (m_pDocClass == nullptr)
        return nullptr;
    CObject* pObject = m_pDocClass->CreateObject();
    auto* pDoc = dynamic_cast<CDocument*>(pObject);
    if (pDoc == nullptr) {
        delete pObject;
        return nullptr;
    }
    pDoc->m_pDocTemplate = this;
    return pDoc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd*) {
    if (m_pFrameClass == nullptr)
        return nullptr;
    CCreateContext context;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    CObject* pObject = m_pFrameClass->CreateObject();
    auto* pFrame = dynamic_cast<CFrameWnd*>(pObject);
    if (pFrame == nullptr) {
        delete pObject;
        return nullptr;
    }
    // A frame that fails to load has already freed itself.
    if (!pFrame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context))
        return nullptr;
    return pFrame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
    if (pFrame == nullptr)
        return;
    if (pDoc == nullptr)
        pDoc = pFrame->GetActiveDocument();
    std::vector<CView*> views;
    if (pDoc != nullptr)
        for (CView* pView : pDoc->GetViews())
            if (pView->GetParentFrame() == pFrame)
                views.push_back(pView);
    // The first pane's view becomes active before the views are first updated.
    if (pFrame->GetActiveView() == nullptr && !views.empty()) {
        CView* pFirst = views.front();
        for (CView* pView : views)
            if (pView->GetDlgCtrlID() == AFX_IDW_PANE_FIRST) {
                pFirst = pView;
                break;
            }
        pFrame->SetActiveView(pFirst, FALSE);
    }
    for (CView* pView : views)
        pView->OnInitialUpdate();
    if (bMakeVisible)
        pFrame->ActivateFrame();
    pFrame->OnUpdateFrameTitle(TRUE);
}

void CDocTemplate::SetDefaultTitle(CDocument* pDocument) {
    CString title;
    if (!GetDocString(title, docName) || title.IsEmpty())
        title = AfxLoadString(AFX_IDS_UNTITLED).c_str();
    pDocument->SetTitle(title);
}

void CDocTemplate::CloseAllDocuments() {}

BOOL CDocTemplate::SaveAllModified() {
    CDocument* pDoc = GetFirstDocument();
    return pDoc == nullptr || pDoc->SaveModified();
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                       CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

CSingleDocTemplate::~CSingleDocTemplate() {
    delete m_pOnlyDoc;
    m_pOnlyDoc = nullptr;
}

void CSingleDocTemplate::CloseAllDocuments() {
    if (m_pOnlyDoc != nullptr)
        m_pOnlyDoc->OnCloseDocument();
}

void CSingleDocTemplate::DiscardNew(CFrameWnd* pFrame) {
    pFrame->DestroyWindow();
    delete m_pOnlyDoc;
    m_pOnlyDoc = nullptr;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCSTR lpszPathName, BOOL bMakeVisible) {
    CDocument* pDocument = m_pOnlyDoc;
    CFrameWnd* pFrame = nullptr;
    BOOL bCreated = FALSE;
    if (pDocument != nullptr) {
        if (!pDocument->SaveModified())
            return nullptr;
        CWinApp* pApp = AfxGetApp();
        pFrame = pApp ? dynamic_cast<CFrameWnd*>(pApp->m_pMainWnd) : nullptr;
    } else {
        pDocument = CreateNewDocument();
        if (pDocument == nullptr)
            return nullptr;
        m_pOnlyDoc = pDocument;
        bCreated = TRUE;
        pFrame = CreateNewFrame(pDocument, nullptr);
        if (pFrame == nullptr) {
            m_pOnlyDoc = nullptr;
            delete pDocument;
            return nullptr;
        }
    }
    if (lpszPathName == nullptr) {
        SetDefaultTitle(pDocument);
        if (!pDocument->OnNewDocument()) {
            if (bCreated)
                DiscardNew(pFrame);
            return nullptr;
        }
    } else {
        // A document that is still unmodified after a failed open was left as it was; one that
        // is modified lost its contents on the way, and must not keep the earlier file's name.
        const BOOL bWasModified = pDocument->IsModified();
        pDocument->SetModifiedFlag(FALSE);
        if (!pDocument->OnOpenDocument(lpszPathName)) {
            if (bCreated) {
                DiscardNew(pFrame);
                return nullptr;
            }
            if (!pDocument->IsModified()) {
                pDocument->SetModifiedFlag(bWasModified);
                return nullptr;
            }
            // A new untitled document, so a save asks for a name; the views show it.
            SetDefaultTitle(pDocument);
            pDocument->OnNewDocument();
            InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
            return nullptr;
        }
        pDocument->SetPathName(lpszPathName);
    }
    // The first frame becomes the main window only after the document is filled.
    CWinApp* pApp = AfxGetApp();
    if (bCreated && pApp != nullptr && pApp->m_pMainWnd == nullptr)
        pApp->m_pMainWnd = pFrame;
    InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
    return pDocument;
}
