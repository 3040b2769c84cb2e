// Synthetic items for tests, demonstrations and benchmarks, deterministic from a seed.
#pragma once

#include <string>
#include <vector>

#include "platform/mapi/MAPIX.h"
#include "tools/store/Catalog.h"

namespace qrvstore {

struct CGenerateOptions {
    const CCatalogType* m_type = nullptr;
    ULONG m_count = 0;
    ULONG m_folders = 1;      // the type's standard folder, plus sub-folders "<Folder> 2" ... below it
    double m_duplicates = 0;  // share of items (0..1) that copy every catalog value of an earlier item
    ULONGLONG m_seed = 1;
};

struct CGenerateResult {
    ULONG m_items = 0;
    ULONG m_duplicates = 0;
    std::vector<std::string> m_folders;  // display names, in the order items were spread over them
};

// Makes the items in the store (in batches of transactions). Item n's values depend only on the
// seed and n, and a duplicate copies them from an earlier item, so the same options always make
// the same store contents.
CGenerateResult Generate(LPMDB store, const CGenerateOptions& options);

// The realistic value of a sample kind for one item, as text (for the tool's own listing and tests).
std::string SampleText(const std::string& sample, ULONGLONG itemSeed, size_t slot);

// The standard folder (below the IPM subtree) named 'name', made with 'containerClass' when missing.
LPMAPIFOLDER OpenOrMakeFolder(LPMDB store, const std::string& path, const std::string& containerClass);

// The container class that holds items of a message class ("IPM.Contact" -> "IPF.Contact").
std::string ContainerClassFor(const std::string& messageClass);

}  // namespace qrvstore
