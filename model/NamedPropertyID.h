// CNamedPropertyID: a named MAPI property, identified by property set and number or name.
#pragma once

#include "model/PropertyID.h"
#include "platform/mapi/MAPIDefs.h"

class CNamedPropertyID : public CPropertyID {
    DECLARE_SERIAL(CNamedPropertyID)

public:
    CNamedPropertyID();
    // Copies the GUID and, for MNID_STRING, the name; keeps the type part of ulTag. A null GUID or
    // an unknown kind raises CNotSupportedException, a failed copy CMemoryException.
    CNamedPropertyID(DWORD dwContext, LPCGUID lpGuid, ULONG ulKind, LONG lID, LPCWSTR lpwstrName,
                     ULONG ulTag);

    ~CNamedPropertyID() override;
    void Serialize(CArchive& ar) override;
    // The display name, or the text selector when no text number is assigned.
    HRESULT GetShortPropertyName(LPSTR* ppszName, LPCSTR pszSection, LPCSTR pszIniFile) override;
    int GetType() override;
    // The tag that lpStore gives the name (created there when missing) with the held type.
    HRESULT GetPropertyID(IMsgStore* lpStore, ULONG* pulTag) override;
    // "{GUID},0x%08lx" of the number, or "{GUID},name" (name as UTF-8).
    HRESULT BuildTextSelector(LPSTR* ppszSelector) override;

    HRESULT GetPropertyName(LPSTR* ppszName, LPCSTR pszSection, LPCSTR pszIniFile);
    void Init();
    // Frees the GUID and name copies.
    void Clear();
    // The name identifier, pointing into this object (valid while it lives unchanged).
    MAPINAMEID GetNameID() const { return m_ID; }
    ULONG GetPropType() const { return m_ulPropType; }

protected:
    void StoreVersion1(CArchive& ar);
    void LoadVersion1(CArchive& ar);

private:
    MAPINAMEID m_ID;  // GUID copy, kind, number or name copy: usable as is in MAPI calls
    ULONG m_ulPropType;
};
