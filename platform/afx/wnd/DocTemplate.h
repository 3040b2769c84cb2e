// Document templates: which document, frame and view classes make up one document type, and
// the single-document template that reuses one document and one frame for every file.
#pragma once

#include "platform/afx/CString.h"
#include "platform/afx/wnd/CmdTarget.h"

class CDocument;
class CFrameWnd;
class CView;
class CWnd;

// What the frame needs to create its views for a document.
struct CCreateContext {
    CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
    class CDocTemplate* m_pNewDocTemplate = nullptr;
    CView* m_pLastView = nullptr;
    CFrameWnd* m_pCurrentFrame = nullptr;
};

class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
public:
    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };

    CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                 CRuntimeClass* pViewClass);
    ~CDocTemplate() override;

    // One of the seven '\n'-separated parts of the template's document string.
    virtual BOOL GetDocString(CString& rString, enum DocStringIndex index) const;
    virtual CDocument* CreateNewDocument();
    virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
    virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
    virtual CDocument* OpenDocumentFile(LPCSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
    virtual void SetDefaultTitle(CDocument* pDocument);
    virtual CDocument* GetFirstDocument() const = 0;
    virtual void CloseAllDocuments();
    virtual BOOL SaveAllModified();
    UINT GetResourceID() const { return m_nIDResource; }

protected:
    UINT m_nIDResource;
    CRuntimeClass* m_pDocClass;
    CRuntimeClass* m_pFrameClass;
    CRuntimeClass* m_pViewClass;
    CString m_strDocStrings;
};

class CSingleDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CSingleDocTemplate)
public:
    CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                       CRuntimeClass* pViewClass);
    ~CSingleDocTemplate() override;

    CDocument* OpenDocumentFile(LPCSTR lpszPathName, BOOL bMakeVisible = TRUE) override;
    CDocument* GetFirstDocument() const override { return m_pOnlyDoc; }
    void CloseAllDocuments() override;

protected:
    // Takes down the frame and document made for a start that failed.
    void DiscardNew(CFrameWnd* pFrame);
    CDocument* m_pOnlyDoc = nullptr;
};
