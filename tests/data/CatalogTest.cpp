// The property catalog and what the build makes of it: default property files, INI tables, texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "data/CatalogOutputs.h"
#include "data/PropertyCatalog.h"
#include "model/ConfigInfo.h"
#include "model/PropertyID.h"
#include "model/PropertyList.h"
#include "model/QuorvelDoc.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CMemFile.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/Module.h"
#include "tests/support/TempRoot.h"
#include "tools/install/Install.h"

namespace {

std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const PropertyCatalog& ShippedCatalog() {
    static PropertyCatalog catalog;
    static bool bRead = false;
    if (!bRead) {
        std::string strError;
        EXPECT_TRUE(ParsePropertyCatalog(ReadFile(QRV_CATALOG_PATH), catalog, strError)) << strError;
        bRead = true;
    }
    return catalog;
}

std::string ParseError(const std::string& strText) {
    PropertyCatalog catalog;
    std::string strError;
    EXPECT_FALSE(ParsePropertyCatalog(strText, catalog, strError)) << strText;
    return strError;
}

std::string OneType(const std::string& strProperties) {
    return R"({"itemTypes": [{"type": 4, "section": "Notizen", "file": "Notiz.qrvv", "properties": [)" +
           strProperties + "]}]}";
}

const char SUBJECT[] =
    R"({"kind": "std", "tag": "0x0037001E", "sample": "subject", "textId": 3000, "selected": true,
        "displayName": {"en": "Subject", "de": "Betreff"}})";

}  // namespace

TEST(CatalogReader, RefusesWhatWouldMakeWrongData) {
    EXPECT_NE("", ParseError("{"));
    EXPECT_NE("", ParseError(R"({"itemTypes": 3})"));
    EXPECT_NE("",
              ParseError(R"({"itemTypes": [{"type": 9, "section": "x", "file": "y", "properties": []}]})"));
    const std::string strTwice =
        R"({"itemTypes": [{"type": 4, "section": "a", "file": "a", "properties": []},
                          {"type": 4, "section": "b", "file": "b", "properties": []}]})";
    EXPECT_NE(std::string::npos, ParseError(strTwice).find("twice"));
    EXPECT_NE(
        "", ParseError(R"({"itemTypes": [{"type": 4, "section": "a", "file": "../a", "properties": []}]})"));

    std::string strBad = SUBJECT;
    EXPECT_NE("", ParseError(OneType(strBad.replace(strBad.find("0x0037001E"), 10, "0x37001E"))));
    strBad = SUBJECT;
    EXPECT_NE("", ParseError(OneType(strBad.replace(strBad.find("3000"), 4, "2999"))));
    strBad = SUBJECT;
    EXPECT_NE("", ParseError(OneType(strBad.replace(strBad.find("001E"), 4, "101E"))));  // multi-valued
    strBad = SUBJECT;
    EXPECT_NE("",
              ParseError(OneType(strBad.replace(strBad.find("\"de\": \"Betreff\""), 15, "\"de\": \"\""))));
    EXPECT_NE(std::string::npos, ParseError(OneType(std::string(SUBJECT) + "," + SUBJECT)).find("twice"));

    const std::string strNamed =
        R"({"kind": "named", "guid": "00062004-0000-0000-C000-000000000046", "id": 32899, "type": "PT_STRING8",
            "sample": "email", "textId": 3001, "displayName": {"en": "E-mail", "de": "E-Mail"}})";
    PropertyCatalog catalog;
    std::string strError;
    ASSERT_TRUE(ParsePropertyCatalog(OneType(strNamed), catalog, strError)) << strError;
    const CatalogProperty& prop = catalog.itemTypes[0].properties[0];
    EXPECT_TRUE(prop.bNamed);
    EXPECT_EQ(0x00062004u, prop.guid.Data1);
    EXPECT_EQ(0xC0, prop.guid.Data4[0]);
    EXPECT_EQ(0x46, prop.guid.Data4[7]);
    EXPECT_EQ(32899, prop.lID);
    EXPECT_EQ((ULONG)PT_STRING8, PROP_TYPE(prop.ulTag));
    std::string strNoKey = strNamed;
    EXPECT_NE("", ParseError(OneType(strNoKey.replace(strNoKey.find("\"id\": 32899"), 11, "\"x\": 1"))));
    std::string strBadGuid = strNamed;
    EXPECT_NE("", ParseError(OneType(strBadGuid.replace(strBadGuid.find("C000"), 4, "G000"))));
}

TEST(CatalogReader, ShippedCatalogMatchesTheItemTypeClasses) {
    const PropertyCatalog& catalog = ShippedCatalog();
    ASSERT_EQ(6u, catalog.itemTypes.size());
    CQuorvelDoc doc;
    for (const CatalogItemType& type : catalog.itemTypes) {
        CConfigInfo* pConfig = nullptr;
        ASSERT_EQ(S_OK, CConfigInfo::CreateConfigInfo("x", type.dwType, &doc, &pConfig));
        LPSTR psz = nullptr;
        pConfig->GetShortNameConfigSectionName(&psz);
        EXPECT_EQ(type.strSection, psz);
        free(psz);
        pConfig->GetDefaultPropertySettingFile(&psz);
        EXPECT_EQ(type.strFile, psz);
        free(psz);
        pConfig->Release();
        EXPECT_GE(type.properties.size(), 5u);
        int nSelected = 0;
        for (const CatalogProperty& prop : type.properties)
            nSelected += prop.bSelected;
        EXPECT_GE(nSelected, 1) << "type " << type.dwType << " compares nothing by default";
    }
}

TEST(CatalogOutputs, SmallestDefaultFileIsTheDocumentedRecord) {
    PropertyCatalog catalog;
    std::string strError;
    ASSERT_TRUE(ParsePropertyCatalog(OneType(SUBJECT), catalog, strError)) << strError;
    std::string strBytes;
    ASSERT_TRUE(BuildDefaultPropertyFile(catalog.itemTypes[0], strBytes, strError)) << strError;
    auto dw = [](DWORD v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    const std::string strExpected = std::string("\xFF\xFF\x01\x00\x0D\x00", 6) + "CPropTypeList" + dw(1) +
                                    dw(1) + dw(1) + dw(1) + std::string("\xFF\xFF\x01\x00\x0C\x00", 6) +
                                    "CStdPropList" + dw(1) + dw(1) + dw(1) + dw(0x0037001E) +
                                    std::string("\xFF\xFF\x01\x00\x0E\x00", 6) + "CStdPropertyID" + dw(1) +
                                    dw(1) + dw(0) + dw(1) + dw(0x0037001E);
    EXPECT_EQ(109u, strBytes.size());
    EXPECT_EQ(strExpected, strBytes);
}

TEST(CatalogOutputs, DefaultFilesBesideTheProgramHoldTheCatalog) {
    for (const CatalogItemType& type : ShippedCatalog().itemTypes) {
        std::string strBytes, strError;
        ASSERT_TRUE(BuildDefaultPropertyFile(type, strBytes, strError)) << strError;
        EXPECT_EQ(strBytes, ReadFile(GetProgramDirectory() + type.strFile)) << type.strFile;

        std::vector<BYTE> buffer(strBytes.begin(), strBytes.end());
        CMemFile file(buffer.data(), (UINT)buffer.size());
        CArchive ar(&file, CArchive::load);
        CPropertyList* pList = static_cast<CPropertyList*>(ar.ReadObject(RUNTIME_CLASS(CPropertyList)));
        ASSERT_NE(nullptr, pList);
        pList->AddRef();
        size_t nCount = 0, nSelected = 0, nExpectedSelected = 0;
        for (const CatalogProperty& prop : type.properties)
            nExpectedSelected += prop.bSelected;
        CPropertyID* pProp = nullptr;
        for (HRESULT hr = pList->GetFirstProperty(&pProp); SUCCEEDED(hr) && pProp != nullptr;
             hr = pList->GetNextProperty(&pProp)) {
            ++nCount;
            nSelected += pProp->IsSelected() ? 1 : 0;
            pProp->Release();
        }
        EXPECT_EQ(type.properties.size(), nCount) << type.strFile;
        EXPECT_EQ(nExpectedSelected, nSelected) << type.strFile;
        pList->Release();
    }
}

TEST(CatalogOutputs, IniTablesAnswerThePropertyLookups) {
    const std::string strDir = GetProgramDirectory();
    const std::string strKeyTable = strDir + "KeyTable.ini";
    for (const CatalogItemType& type : ShippedCatalog().itemTypes) {
        CPropertyList* pList = nullptr;
        std::string strError;
        ASSERT_EQ(S_OK, BuildPropertyList(type, &pList, strError)) << strError;
        CPropertyID* pProp = nullptr;
        int nChecked = 0;
        for (HRESULT hr = pList->GetFirstProperty(&pProp); SUCCEEDED(hr) && pProp != nullptr;
             hr = pList->GetNextProperty(&pProp)) {
            BOOL bSelected = FALSE;
            LONG lTextID = 0;
            EXPECT_EQ(S_OK, pProp->IsDefSelectedProperty(&bSelected, type.strSection.c_str()));
            EXPECT_EQ(S_OK, pProp->GetTextID(&lTextID, type.strSection.c_str(), strKeyTable.c_str()));
            EXPECT_EQ(pProp->IsSelected() ? TRUE : FALSE, bSelected ? TRUE : FALSE);
            EXPECT_GE(lTextID, CATALOG_TEXT_ID_FIRST);
            EXPECT_LE(lTextID, CATALOG_TEXT_ID_LAST);
            ++nChecked;
            pProp->Release();
        }
        EXPECT_EQ((int)type.properties.size(), nChecked);
        pList->Release();
    }
}

TEST(CatalogOutputs, DisplayNamesGoIntoTheMarkedBlock) {
    PropertyCatalog catalog;
    std::string strError;
    ASSERT_TRUE(ParsePropertyCatalog(OneType(SUBJECT), catalog, strError)) << strError;
    const std::string strFile = "; L_VER:0\n0\t&File\n" LNG_BLOCK_BEGIN
                                " (3000-3999) ----\n3999\told\n" LNG_BLOCK_END " ----\n5\tafter\n";
    const std::string strMerged = MergeDisplayNames(strFile, catalog, true);
    EXPECT_EQ("; L_VER:0\n0\t&File\n" LNG_BLOCK_BEGIN " (3000-3999) ----\n3000\tBetreff\n" LNG_BLOCK_END
              " ----\n5\tafter\n",
              strMerged);
    EXPECT_EQ(strMerged, MergeDisplayNames(strMerged, catalog, true));
    // A file without the block keeps all it has and gets one.
    const std::string strAppended = MergeDisplayNames("1\tx", catalog, false);
    EXPECT_EQ(0u, strAppended.find("1\tx\n" LNG_BLOCK_BEGIN));
    EXPECT_NE(std::string::npos, strAppended.find("\n3000\tSubject\n" LNG_BLOCK_END));

    // The language files beside the program carry every name.
    const std::string strEnglish = ReadFile(GetProgramDirectory() + "English.lng");
    const std::string strGerman = ReadFile(GetProgramDirectory() + "German.lng");
    for (const CatalogItemType& type : ShippedCatalog().itemTypes)
        for (const CatalogProperty& prop : type.properties) {
            EXPECT_NE(std::string::npos,
                      strEnglish.find("\n" + std::to_string(prop.lTextID) + "\t" + prop.strEnglish + "\n"));
            EXPECT_NE(std::string::npos,
                      strGerman.find("\n" + std::to_string(prop.lTextID) + "\t" + prop.strGerman + "\n"));
        }
}

TEST(CatalogInstall, TablesLandInTheWindowsDirectory) {
    qrvtest::TempRoot root;
    std::string strError;
    ASSERT_EQ(S_OK, RunInstall(GetProgramDirectory(), strError)) << strError;
    for (const char* pszName : {"KeyTable.ini", "Exclusion.ini"})
        EXPECT_EQ(ReadFile(GetProgramDirectory() + pszName),
                  ReadFile(GetWindowsDirectoryPath() + "/" + pszName));
}
