// The application's one document: every configuration, keyed by id, saved as one ".qrv" file.
#pragma once

#include <map>

#include "platform/afx/AfxTypes.h"
#include "platform/afx/CObject.h"
#include "platform/afx/CString.h"
#include "platform/win32/WinTypes.h"

class CConfigInfo;

// The document file: DWORD version 1, DWORD count, then each configuration as a record, in
// ascending id. The document is never a record itself: it writes its own fields.
//
// The data side of the framework's document (path, title, modified flag, File New/Open/Save) lives
// here too, free of window code; the window layer's document template drives these entry points
// and routes the delete command (32773) to OnDeleteConfiguration / IsDeleteConfigurationEnabled.
class CQuorvelDoc : public CObject {
    DECLARE_DYNCREATE(CQuorvelDoc)

public:
    CQuorvelDoc();
    ~CQuorvelDoc() override;

    // ---- framework entry points ----
    void Serialize(CArchive& ar) override;
    virtual BOOL IsModified();
    virtual void SetModifiedFlag(BOOL bModified = TRUE);
    virtual void DeleteContents();
    // The four default configurations: mails, contacts, appointments, tasks.
    virtual BOOL OnNewDocument();
    virtual void LoadVersion1(CArchive& ar);
    virtual void SaveVersion1(CArchive& ar);

    // File Open: reads the file aside and, once something of it can be used, replaces the contents
    // with it. A file that fails part way keeps what was read completely, but the document stays
    // untitled and modified, so that a save asks for a new name and never writes the part over the
    // whole. FALSE when nothing of the file can be used (it cannot be read, is empty, is not a
    // document of this version, or breaks before its first whole configuration): the document then
    // stays as it was, with its configurations, path and modified flag.
    virtual BOOL OnOpenDocument(LPCSTR lpszPathName);
    // Why the last OnOpenDocument failed where the document showed no box of its own: the file
    // could not be read, or reading it passed a failure on (another version). Both are the
    // framework's to report.
    enum class OpenFailure { None, FileError, PassedOn };
    OpenFailure GetOpenFailure() const { return m_openFailure; }
    // File Save: writes a temporary file beside the target, flushes it and renames it over the
    // target, readable by its owner only (the file holds the profile password). A symbolic link is
    // written through to its target; a file that may not be written is refused. On any failure the
    // result is FALSE and the document stays modified; the old file stays as it was unless only the
    // flush of its folder after the rename failed. Temporary files an interrupted save of the same
    // file left behind are removed.
    virtual BOOL OnSaveDocument(LPCSTR lpszPathName);

    const CString& GetPathName() const { return m_strPathName; }
    void SetPathName(LPCSTR lpszPathName);
    const CString& GetTitle() const { return m_strTitle; }
    void SetTitle(LPCSTR lpszTitle) { m_strTitle = lpszTitle; }

    // ---- configurations ----
    HRESULT AddConfiguration(CConfigInfo* pConfig);
    void RemoveConfiguration(ULONG ulConfigID);
    // TRUE and the configuration with a reference added, or FALSE and null.
    BOOL GetConfiguration(ULONG ulConfigID, CConfigInfo** ppConfig);
    // A walk in ascending id; each step hands out a reference, FALSE and null at the end.
    BOOL GetFirstConfiguration(POSITION& pos, CConfigInfo** ppConfig);
    BOOL GetNextConfiguration(POSITION& pos, CConfigInfo** ppConfig);
    int GetConfigurationCount() const { return (int)m_Configs.size(); }

    void SetCurrentConfigID(ULONG ulConfigID) { m_ulCurrentConfigID = ulConfigID; }
    ULONG GetCurrentConfigID() const { return m_ulCurrentConfigID; }

    // ---- command 32773, delete configuration ----
    BOOL IsDeleteConfigurationEnabled() const { return !m_Configs.empty(); }
    void OnDeleteConfiguration();

protected:
    HRESULT CreateConfiguration(DWORD dwType, LONG lTextID, LPCSTR lpszDefaultName);
    // Reads the file into this (empty) document; FALSE, with the box shown and nothing kept,
    // when it cannot be read or passes a failure on.
    BOOL ReadDocumentFile(LPCSTR lpszPathName);
    void RemoveAllConfigurations();

private:
    ULONG m_ulCurrentConfigID;
    std::map<ULONG, CConfigInfo*> m_Configs;  // one reference each
    CString m_strPathName;
    CString m_strTitle;
    BOOL m_bModified;
    BOOL m_bLoadIncomplete;  // set while loading when a damaged file was read in part
    OpenFailure m_openFailure = OpenFailure::None;
};
