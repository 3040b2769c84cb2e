// The framework's document: its views, title, path and modified flag, and File Save / Save As.
#pragma once

#include <vector>

#include "platform/afx/CString.h"
#include "platform/afx/wnd/CmdTarget.h"

class CView;
class CDocTemplate;
class CArchive;

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument();
    ~CDocument() override;

    virtual const CString& GetTitle() const { return m_strTitle; }
    // Sets the title and has the frames showing the document update theirs.
    virtual void SetTitle(LPCSTR lpszTitle);
    virtual const CString& GetPathName() const { return m_strPathName; }
    virtual void SetPathName(LPCSTR lpszPathName, BOOL bAddToMRU = TRUE);
    virtual BOOL IsModified() { return m_bModified; }
    virtual void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    void AddView(CView* pView);
    void RemoveView(CView* pView);
    const std::vector<CView*>& GetViews() const { return m_views; }
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);
    // Tells every frame that shows the document to update its title.
    void UpdateFrameCounts();

    virtual BOOL OnNewDocument();
    // Reads the file with Serialize; a failure empties the document and reports it.
    virtual BOOL OnOpenDocument(LPCSTR lpszPathName);
    // Writes the file with Serialize through a temporary file that replaces the old one only
    // after a complete write; on failure the old file stays.
    virtual BOOL OnSaveDocument(LPCSTR lpszPathName);
    virtual void OnCloseDocument();
    virtual void DeleteContents() {}
    // Asks whether to save a modified document: FALSE when the user cancels or saving fails.
    virtual BOOL SaveModified();
    virtual BOOL DoSave(LPCSTR lpszPathName, BOOL bReplace = TRUE);
    virtual BOOL DoFileSave();
    // The framework's report that opening lpszPathName failed: a file error (the file missing,
    // unreadable, not a file) names the file; anything else says that the file could not be opened.
    static void ReportOpenFailure(LPCSTR lpszPathName, BOOL bFileError);

    void OnFileSave();
    void OnFileSaveAs();

    CDocTemplate* m_pDocTemplate = nullptr;
    BOOL m_bAutoDelete = TRUE;

protected:
    CString m_strTitle;
    CString m_strPathName;
    BOOL m_bModified = FALSE;
    std::vector<CView*> m_views;

    DECLARE_MESSAGE_MAP()
};
