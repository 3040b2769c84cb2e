// The store the search, cleanup and progress benchmarks share: 100,000 contacts (30 % duplicates)
// over 10 folders in the first store of a search world, and a configuration comparing them on four
// values. One definition keeps their figures comparable.
#pragma once

#include <string>
#include <vector>

#include "tests/engine/SearchWorld.h"
#include "tools/store/Catalog.h"
#include "tools/store/Generator.h"

namespace benchstore {

constexpr ULONG kItems = 100000;
constexpr ULONG kFolders = 10;
inline const ULONG kCompared[] = {PR_GIVEN_NAME_A, PR_SURNAME_A, PR_COMPANY_NAME_A,
                                  PR_BUSINESS_TELEPHONE_NUMBER_A};

inline std::vector<BYTE> EntryIdOf(IMAPIProp* pProp) {
    SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
    ULONG cValues = 0;
    LPSPropValue lpValue = nullptr;
    std::vector<BYTE> id;
    if (SUCCEEDED(pProp->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &cValues, &lpValue))) {
        id.assign(lpValue->Value.bin.lpb, lpValue->Value.bin.lpb + lpValue->Value.bin.cb);
    }
    MAPIFreeBuffer(lpValue);
    return id;
}

// Generates the contacts (kItems unless told) into the world's first store; returns the entry ids
// of their folders.
inline std::vector<std::vector<BYTE>> GenerateContacts(enginetest::CSearchWorld& world,
                                                       ULONG count = kItems) {
    std::vector<qrvstore::CCatalogType> catalog = qrvstore::DefaultCatalog();
    qrvstore::CGenerateOptions options;
    options.m_type = qrvstore::FindType(catalog, "contact");
    options.m_count = count;
    options.m_folders = kFolders;
    options.m_duplicates = 0.3;
    qrvstore::CGenerateResult made = qrvstore::Generate(world.Store(0), options);
    std::vector<std::vector<BYTE>> folders;
    for (ULONG f = 0; f < kFolders; ++f) {
        const std::string path =
            f == 0 ? options.m_type->m_folder : options.m_type->m_folder + "/" + made.m_folders[f];
        LPMAPIFOLDER lpFolder = qrvstore::OpenOrMakeFolder(world.Store(0), path, "IPF.Contact");
        folders.push_back(EntryIdOf(lpFolder));
        lpFolder->Release();
    }
    return folders;
}

// A configuration searching those folders in compare mode 1 on kCompared.
inline enginetest::CTestConfig* MakeContactConfig(enginetest::CSearchWorld& world,
                                                  const std::vector<std::vector<BYTE>>& folders) {
    enginetest::CTestConfig* pConfig = world.MakeConfig(1, {{0, folders}});
    for (ULONG tag : kCompared) {
        pConfig->Compare(tag);
    }
    return pConfig;
}

}  // namespace benchstore
