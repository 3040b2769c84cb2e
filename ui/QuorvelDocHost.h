// The framework document that carries the configuration document: the document template,
// File Save and the views work with it, and it hands every operation to the CQuorvelDoc inside.
#pragma once

#include "model/QuorvelDoc.h"
#include "platform/afx/wnd/Document.h"

class CQuorvelDocHost : public CDocument {
    DECLARE_DYNCREATE(CQuorvelDocHost)
public:
    CQuorvelDocHost();
    ~CQuorvelDocHost() override;

    CQuorvelDoc* GetQuorvelDoc() { return &m_doc; }

    const CString& GetTitle() const override { return m_doc.GetTitle(); }
    void SetTitle(LPCSTR lpszTitle) override;
    const CString& GetPathName() const override { return m_doc.GetPathName(); }
    // The configuration document keeps its own path (it stays untitled after a partial read).
    void SetPathName(LPCSTR lpszPathName, BOOL bAddToMRU = TRUE) override;
    BOOL IsModified() override { return m_doc.IsModified(); }
    void SetModifiedFlag(BOOL bModified = TRUE) override { m_doc.SetModifiedFlag(bModified); }

    BOOL OnNewDocument() override;
    BOOL OnOpenDocument(LPCSTR lpszPathName) override;
    BOOL OnSaveDocument(LPCSTR lpszPathName) override;
    void DeleteContents() override { m_doc.DeleteContents(); }
    void Serialize(CArchive& ar) override { m_doc.Serialize(ar); }

    void OnDeleteConfiguration();
    void OnUpdateDeleteConfiguration(CCmdUI* pCmdUI);

protected:
    CQuorvelDoc m_doc;

    DECLARE_MESSAGE_MAP()
};
