// What the build makes of the property catalog: default property files, INI tables, display names.
#include "data/CatalogOutputs.h"

#include <cstdlib>
#include <sstream>

#include "model/NamedPropertyID.h"
#include "model/PropTypeList.h"
#include "model/StdPropertyID.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CMemFile.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/CodePage.h"

namespace {

// A property object for a catalog entry, with one reference; null on failure.
CPropertyID* MakeProperty(const CatalogProperty& prop, std::string& strError) {
    CPropertyID* pProp = nullptr;
    try {
        if (!prop.bNamed) {
            pProp = new CStdPropertyID(0, prop.ulTag);
        } else if (prop.bByName) {
            const std::u16string strName = Utf8ToUtf16(prop.strName);
            pProp = new CNamedPropertyID(0, &prop.guid, MNID_STRING, 0, strName.c_str(), prop.ulTag);
        } else {
            pProp = new CNamedPropertyID(0, &prop.guid, MNID_ID, prop.lID, nullptr, prop.ulTag);
        }
    } catch (CException* e) {
        e->Delete();
        strError = "cannot make the property object";
        return nullptr;
    } catch (const std::bad_alloc&) {
        strError = "out of memory";
        return nullptr;
    }
    pProp->AddRef();
    pProp->SetSelected(prop.bSelected ? TRUE : FALSE);
    return pProp;
}

std::string TextOf(LPSTR psz) {
    std::string str = psz != nullptr ? psz : "";
    free(psz);
    return str;
}

}  // namespace

HRESULT BuildPropertyList(const CatalogItemType& type, CPropertyList** ppList, std::string& strError) {
    *ppList = nullptr;
    CPropTypeList* pList = new (std::nothrow) CPropTypeList;
    if (pList == nullptr) {
        strError = "out of memory";
        return E_OUTOFMEMORY;
    }
    pList->AddRef();
    for (const CatalogProperty& prop : type.properties) {
        CPropertyID* pProp = MakeProperty(prop, strError);
        if (pProp == nullptr) {
            pList->Release();
            return E_FAIL;
        }
        const HRESULT hr = pList->InsertProperty(pProp);
        pProp->Release();
        if (FAILED(hr)) {
            // Typically a property set that mixes numbered and named properties.
            strError = "text id " + std::to_string(prop.lTextID) + " cannot join the property list";
            pList->Release();
            return hr;
        }
    }
    *ppList = pList;
    return S_OK;
}

bool BuildDefaultPropertyFile(const CatalogItemType& type, std::string& strBytes, std::string& strError) {
    CPropertyList* pList = nullptr;
    if (FAILED(BuildPropertyList(type, &pList, strError)))
        return false;
    bool bOK = true;
    try {
        CMemFile file;
        CArchive ar(&file, CArchive::store, 4096);
        ar.WriteObject(pList);
        ar.Close();
        const ULONGLONG cb = file.GetLength();
        BYTE* lpb = file.Detach();
        strBytes.assign(reinterpret_cast<const char*>(lpb), (size_t)cb);
        free(lpb);
    } catch (CException* e) {
        e->Delete();
        strError = "cannot write the property list";
        bOK = false;
    }
    pList->Release();
    return bOK;
}

bool BuildSelector(const CatalogProperty& prop, std::string& strSelector, std::string& strError) {
    CPropertyID* pProp = MakeProperty(prop, strError);
    if (pProp == nullptr)
        return false;
    LPSTR pszSelector = nullptr;
    const HRESULT hr = pProp->BuildTextSelector(&pszSelector);
    pProp->Release();
    strSelector = TextOf(pszSelector);
    if (FAILED(hr) || strSelector.empty()) {
        strError = "no text selector for text id " + std::to_string(prop.lTextID);
        return false;
    }
    return true;
}

bool BuildIniTable(const PropertyCatalog& catalog, CatalogTable table, std::string& strText,
                   std::string& strError) {
    std::ostringstream out;
    switch (table) {
        case CatalogTable::KeyTable:
            out << "; Text numbers of the property display names, per item type and text selector.\n";
            break;
        case CatalogTable::Defaults:
            out << "; Properties compared by default (1), per item type and text selector.\n";
            break;
        case CatalogTable::Exclusion:
            out << "; Properties offered to nobody (1), per item type and text selector.\n";
            break;
    }
    out << "; Generated from data/PropertyCatalog.json by the build.\n";
    for (const CatalogItemType& type : catalog.itemTypes) {
        out << "\n[" << type.strSection << "]\n";
        for (const CatalogProperty& prop : type.properties) {
            std::string strSelector;
            if (!BuildSelector(prop, strSelector, strError))
                return false;
            out << strSelector << "=";
            switch (table) {
                case CatalogTable::KeyTable:
                    out << prop.lTextID;
                    break;
                case CatalogTable::Defaults:
                    out << (prop.bSelected ? 1 : 0);
                    break;
                case CatalogTable::Exclusion:
                    out << (prop.bExcluded ? 1 : 0);
                    break;
            }
            out << "\n";
        }
    }
    strText = out.str();
    return true;
}

std::string MergeDisplayNames(const std::string& strLanguageFile, const PropertyCatalog& catalog,
                              bool bGerman) {
    std::ostringstream block;
    for (const CatalogItemType& type : catalog.itemTypes)
        for (const CatalogProperty& prop : type.properties)
            block << prop.lTextID << "\t" << (bGerman ? prop.strGerman : prop.strEnglish) << "\n";

    // Split into lines, keeping each line's own ending.
    std::string strBefore, strAfter, strBeginLine, strEndLine;
    enum { BEFORE, INSIDE, AFTER } state = BEFORE;
    size_t nPos = 0;
    while (nPos < strLanguageFile.size()) {
        size_t nEnd = strLanguageFile.find('\n', nPos);
        nEnd = nEnd == std::string::npos ? strLanguageFile.size() : nEnd + 1;
        const std::string strLine = strLanguageFile.substr(nPos, nEnd - nPos);
        nPos = nEnd;
        if (state == BEFORE && strLine.rfind(LNG_BLOCK_BEGIN, 0) == 0) {
            strBeginLine = strLine;
            state = INSIDE;
        } else if (state == INSIDE && strLine.rfind(LNG_BLOCK_END, 0) == 0) {
            strEndLine = strLine;
            state = AFTER;
        } else if (state == BEFORE) {
            strBefore += strLine;
        } else if (state == AFTER) {
            strAfter += strLine;
        }
    }
    if (state != AFTER) {
        // No complete block: the names go into a new one at the end, and nothing else is lost.
        std::string strText = strLanguageFile;
        if (!strText.empty() && strText.back() != '\n')
            strText += "\n";
        return strText + LNG_BLOCK_BEGIN " (3000-3999), generated from data/PropertyCatalog.json ----\n" +
               block.str() + LNG_BLOCK_END " ----\n";
    }
    if (!strBeginLine.empty() && strBeginLine.back() != '\n')
        strBeginLine += "\n";
    return strBefore + strBeginLine + block.str() + strEndLine + strAfter;
}
