// One configuration: the settings of a duplicate search for one item type, saved in the document.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "model/ResultReview.h"
#include "platform/afx/CObject.h"
#include "platform/afx/CString.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/WinTypes.h"

class CDrawerMapList;
class CPropertyList;
class CQuorvelDoc;
class CStoreInfo;
class CWnd;
class IConfigObserver;
struct IMAPIFolder;
struct IMAPISession;
class ISearchProgress;

// Item types; each selects a configuration class, a form view and a default property file.
#define CONFIG_TYPE_CONTACT 1
#define CONFIG_TYPE_APPOINTMENT 2
#define CONFIG_TYPE_MAIL 3
#define CONFIG_TYPE_NOTE 4
#define CONFIG_TYPE_TASK 5
#define CONFIG_TYPE_JOURNAL 6

// Compare modes: every chosen folder by itself, or all chosen folders of a store together.
#define COMPARE_MODE_FOLDER 0
#define COMPARE_MODE_STORE 1
// Processing modes: review the result by hand, or clean up at once.
#define PROCESSING_MODE_MANUAL 0
#define PROCESSING_MODE_AUTOMATIC 1

// Loaded ids from here up are renumbered: the counter must never wrap round to 0 ("none").
#define CONFIG_ID_LIMIT 0xFFFFFF00u

// The record classes of documents and default property files (kept linked through it).
extern const CRuntimeClass* const g_ConfigRecordClasses[18];

class CConfigInfo : public CObject {
    DECLARE_SERIAL(CConfigInfo)

public:
    CConfigInfo();
    CConfigInfo(DWORD dwType, const CString& strName, CQuorvelDoc* pDoc);

    // The only way new configurations are made: the class of the item type, one reference for the
    // caller, the default properties loaded. *ppConfig is null on failure.
    static HRESULT CreateConfigInfo(const CString& strName, DWORD dwType, CQuorvelDoc* pDoc,
                                    CConfigInfo** ppConfig);
    // The process-wide id counter, incremented before use: the first id of a run is 1.
    static ULONG NextConfigID();
    static ULONG GetConfigIDCounter();

    // ---- virtual slots, in their order ----
    ~CConfigInfo() override;
    void Serialize(CArchive& ar) override;
    // TRUE when no value carries anything to compare (PT_NULL, PT_ERROR, empty strings ...).
    virtual BOOL ArePropValuesEmpty(ULONG cValues, const SPropValue* lpProps);
    // Index of the profile's default store in the store list; *plIndex untouched when not found.
    virtual HRESULT GetDefaultStoreIndex(LONG* plIndex);
    virtual LONG GetCurrentStoreIndex();
    virtual void SetCurrentStoreIndex(LONG lIndex);
    virtual BOOL IsSelectingProfile();
    virtual HRESULT GetPropertyList(CPropertyList** ppList);
    virtual HRESULT LoadProperties();
    virtual HRESULT CheckProfileStores(CWnd* pParent);
    virtual HRESULT IsSearchPossible(BOOL* pbPossible);  // engine
    virtual HRESULT SetConfigName(const CString& strName);
    virtual void RemoveProfilePassword();
    virtual HRESULT SetProfilePassword(const CString& strPassword);
    virtual HRESULT FindDuplicates(CDrawerMapList** ppList, CWnd* pParent);        // engine
    virtual HRESULT BuildPropTagArray(int nStoreIndex, LPSPropTagArray* lppTags);  // engine
    virtual HRESULT GetSelectedPropertyCount(int nStoreIndex, ULONG* pulCount);    // engine
    virtual HRESULT GetShortNameConfigSectionName(LPSTR* ppszSection);
    virtual HRESULT GetDefaultPropertySettingFile(LPSTR* ppszFile);
    virtual HRESULT NotifyConfigChange(IConfigObserver* pSender);
    virtual HRESULT Unadvise(IConfigObserver* pView);
    virtual HRESULT Advise(IConfigObserver* pView);
    virtual HRESULT LoadStoresFromMAPI(CWnd* pParent);
    virtual HRESULT OnSelectProfile(CWnd* pParent);
    virtual CString GetProfileName();
    virtual BOOL IsProfileSelected();
    virtual DWORD GetProcessingMode();
    virtual void SetProcessingMode(DWORD dwMode);
    virtual DWORD GetCompareMode();
    virtual void SetCompareMode(DWORD dwMode);
    virtual ULONG Release();
    virtual HRESULT GetFullPropertyFileName(LPSTR* ppszPath);
    virtual HRESULT IsStorePresentInInternalList(IMAPISession* lpSession, const LONG* plIndexes,
                                                 ULONG cEntries, ULONG cbKey, const BYTE* lpbKey,
                                                 BOOL* pbFound, LONG* plPosition);
    virtual HRESULT GetFolderMessageCount(IMAPIFolder* lpFolder, ULONG* pulCount);  // engine
    virtual HRESULT FindFolderDuplicates(int nStoreIndex, int nFolderIndex, LPSPropTagArray lpTags,
                                         CDrawerMapList* pList, ISearchProgress* pProgress);  // engine
    virtual void Init();

    // ---- non-virtual ----
    ULONG AddRef();
    HRESULT FindStoreDuplicates(int nStoreIndex, CDrawerMapList* pList,
                                ISearchProgress* pProgress);  // engine

    DWORD GetConfigType() const { return m_dwType; }
    CString GetConfigName() const { return m_strName; }
    ULONG GetConfigID() const { return m_ulConfigID; }
    CQuorvelDoc* GetDocument() const { return m_pDoc; }
    void SetDocument(CQuorvelDoc* pDoc) { m_pDoc = pDoc; }

    BOOL HasProfilePassword() const { return m_bProfilePassword; }
    CString GetProfilePassword() const { return m_strProfilePassword; }

    BOOL IsNewConfig() const { return m_bNewConfig; }
    void ClearNewFlag() { m_bNewConfig = FALSE; }

    void ClearStores();
    int GetStoreCount() const { return (int)m_Stores.size(); }
    // The store at nIndex with a reference added, or null.
    CStoreInfo* GetStore(int nIndex);
    // Whether this very store record is one of the configuration's; null never is.
    BOOL HoldsStore(const CStoreInfo* pStore) const {
        return pStore != nullptr && std::find(m_Stores.begin(), m_Stores.end(), pStore) != m_Stores.end();
    }

    // The cached search result (a CDrawerMapList of the engine). SetSearchResult keeps a reference
    // and gives back the one held before; null drops the cache. GetSearchResult hands the result
    // out with a reference added, or null. The model never sees the engine's class: the release
    // is bound where the type is complete, in the caller's code. The result's review (marks and
    // the folders read) goes with it: a new or no result starts from none.
    template <class T = CDrawerMapList>
    void SetSearchResult(T* pList) {
        if (pList != nullptr)
            pList->AddRef();
        DropSearchResult();
        m_pSearchResult = pList;
        m_pfnReleaseResult = pList != nullptr ? &ReleaseResultAs<T> : nullptr;
    }
    void SetSearchResult(std::nullptr_t) { DropSearchResult(); }
    template <class T>
    void GetSearchResult(T** ppList) const {
        *ppList = static_cast<T*>(m_pSearchResult);
        if (*ppList != nullptr)
            (*ppList)->AddRef();
    }
    // Whether pList is the cached search result; a page holding a result checks it before acting
    // on positions the result numbers. Null is never the cached one.
    BOOL CachesSearchResult(const void* pList) const { return pList != nullptr && pList == m_pSearchResult; }
    // The review of the cached result; null while there is no result.
    CResultReview* GetResultReview() { return m_pSearchResult != nullptr ? &m_ResultReview : nullptr; }

    // Gives the configuration a fresh id from the counter; the document uses it for a loaded
    // configuration whose id another one holds already.
    void RenumberConfigID();

protected:
    void SaveVersion1(CArchive& ar);
    void LoadVersion1(CArchive& ar);
    // The item-type classes hand out their fixed names through it: a zero-filled malloc copy.
    static HRESULT CopyTypeText(LPCSTR lpszText, LPSTR* ppszCopy, LPCSTR lpszFailureTrace);

private:
    friend class CConfigInfoTestAccess;  // lays out store lists in tests without a message store

    // Stores left, came or moved: a cached result indexes them by position, so it goes, and so
    // does the store chosen in the user interface.
    void OnStoresChanged();
    void DropSearchResult();
    template <class T>
    static void ReleaseResultAs(void* p) {
        static_cast<T*>(p)->Release();
    }
    void MarkDocumentModified();
    HRESULT AppendStore(CStoreInfo* pStore);

    ULONG m_ulRefCount;
    CQuorvelDoc* m_pDoc;
    BOOL m_bNewConfig;
    BOOL m_bSelectingProfile;
    LONG m_lCurrentStoreIndex;
    void* m_pSearchResult;              // one reference, or null
    void (*m_pfnReleaseResult)(void*);  // releases m_pSearchResult as its own class
    CResultReview m_ResultReview;       // of m_pSearchResult; empty without one
    DWORD m_dwType;
    CString m_strName;
    ULONG m_ulConfigID;
    DWORD m_dwCompareMode;
    DWORD m_dwProcessingMode;
    SBinary m_ProfileKey;
    BOOL m_bProfilePassword;
    CString m_strProfilePassword;
    CString m_strProfileName;
    std::vector<CStoreInfo*> m_Stores;          // one reference each
    std::vector<IConfigObserver*> m_Observers;  // not owned
    ULONG m_ulEntryNumber;                      // the search numbers filed items from 1
    CPropertyList* m_pPropertyList;             // one reference, or null
};
