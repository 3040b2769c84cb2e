// CStdPropertyID: a standard MAPI property, identified by its property tag.
#pragma once

#include "model/PropertyID.h"

class CStdPropertyID : public CPropertyID {
    DECLARE_SERIAL(CStdPropertyID)

public:
    CStdPropertyID();
    CStdPropertyID(DWORD dwContext, ULONG ulTag);

    ~CStdPropertyID() override;
    void Serialize(CArchive& ar) override;
    int GetType() override;
    // The held tag; the store is not needed and may be null.
    HRESULT GetPropertyID(IMsgStore* lpStore, ULONG* pulTag) override;
    // "0x%08lx" of the tag (lower-case digits).
    HRESULT BuildTextSelector(LPSTR* ppszSelector) override;

    void Init();
    ULONG GetTag() const { return m_ulTag; }

private:
    ULONG m_ulTag;
};
