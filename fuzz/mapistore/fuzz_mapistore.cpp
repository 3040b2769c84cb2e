// A store file of arbitrary bytes, opened and walked the way the system and the tool read stores.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/mapi/MAPIX.h"
#include "platform/mapi/StoreAdmin.h"

namespace {

const std::string& Path() {
    // In the run's own temporary folder (TMPDIR), which the fuzz script removes.
    const char* dir = std::getenv("TMPDIR");
    static const std::string path = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") +
                                    "/fuzz_mapistore." + std::to_string(getpid()) + ".qst";
    return path;
}

void RemoveFiles() {
    for (const char* suffix : {"", "-wal", "-shm", "-journal", ".checked"}) {
        std::remove((Path() + suffix).c_str());
    }
}

void ReadFolder(LPMDB store, LPMAPIFOLDER folder) {
    LPMAPITABLE table = nullptr;
    if (SUCCEEDED(folder->GetContentsTable(0, &table))) {
        SizedSPropTagArray(3, columns) = {3, {PR_ENTRYID, PR_SUBJECT_A, PR_LAST_MODIFICATION_TIME}};
        table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
        for (int batch = 0; batch < 20; ++batch) {
            LPSRowSet rows = nullptr;
            if (FAILED(table->QueryRows(50, 0, &rows)) || rows->cRows == 0) {
                FreeProws(rows);
                break;
            }
            for (ULONG r = 0; r < rows->cRows; ++r) {
                const SPropValue& eid = rows->aRow[r].lpProps[0];
                LPUNKNOWN unknown = nullptr;
                ULONG type = 0;
                if (PROP_TYPE(eid.ulPropTag) == PT_BINARY &&
                    SUCCEEDED(store->OpenEntry(eid.Value.bin.cb,
                                               reinterpret_cast<LPENTRYID>(eid.Value.bin.lpb), nullptr,
                                               MAPI_BEST_ACCESS, &type, &unknown))) {
                    LPMAPIPROP item = static_cast<LPMAPIPROP>(static_cast<IMessage*>(unknown));
                    ULONG count = 0;
                    LPSPropValue values = nullptr;
                    item->GetProps(nullptr, MAPI_UNICODE, &count, &values);
                    MAPIFreeBuffer(values);
                    item->Release();
                }
            }
            if (rows->cRows > 0) {
                // Deleting on a damaged file must fail cleanly or succeed, never half-way.
                SBinaryArray one{1, &rows->aRow[0].lpProps[0].Value.bin};
                if (PROP_TYPE(rows->aRow[0].lpProps[0].ulPropTag) == PT_BINARY) {
                    folder->DeleteMessages(&one, 0, nullptr, 0);
                }
            }
            FreeProws(rows);
        }
        table->Release();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 512 * 1024) {
        return 0;
    }
    static bool initialised = (MAPIInitialize(nullptr), true);
    (void)initialised;
    RemoveFiles();
    FILE* file = std::fopen(Path().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    LPMDB store = nullptr;
    if (SUCCEEDED(HrOpenStoreFile(Path(), "", MAPI_BEST_ACCESS, &store))) {
        ULONG count = 0;
        LPSPropValue values = nullptr;
        store->GetProps(nullptr, 0, &count, &values);
        MAPIFreeBuffer(values);
        LPSPropTagArray names = nullptr;
        LPMAPINAMEID* found = nullptr;
        store->GetNamesFromIDs(&names, nullptr, 0, &count, &found);
        MAPIFreeBuffer(found);
        MAPIFreeBuffer(names);
        LPUNKNOWN unknown = nullptr;
        ULONG type = 0;
        if (SUCCEEDED(store->OpenEntry(0, nullptr, nullptr, MAPI_BEST_ACCESS, &type, &unknown))) {
            LPMAPIFOLDER root = static_cast<LPMAPIFOLDER>(static_cast<IMAPIFolder*>(unknown));
            LPMAPITABLE table = nullptr;
            if (SUCCEEDED(root->GetHierarchyTable(CONVENIENT_DEPTH, &table))) {
                LPSRowSet rows = nullptr;
                if (SUCCEEDED(table->QueryRows(200, 0, &rows))) {
                    for (ULONG r = 0; r < rows->cRows; ++r) {
                        const SPropValue& eid = rows->aRow[r].lpProps[0];
                        LPUNKNOWN opened = nullptr;
                        if (PROP_TYPE(eid.ulPropTag) == PT_BINARY &&
                            SUCCEEDED(store->OpenEntry(eid.Value.bin.cb,
                                                       reinterpret_cast<LPENTRYID>(eid.Value.bin.lpb),
                                                       nullptr, MAPI_BEST_ACCESS, &type, &opened))) {
                            LPMAPIFOLDER folder =
                                static_cast<LPMAPIFOLDER>(static_cast<IMAPIFolder*>(opened));
                            ReadFolder(store, folder);
                            folder->Release();
                        }
                    }
                }
                FreeProws(rows);
                table->Release();
            }
            root->Release();
        }
        std::vector<CDeletedItem> deleted;
        HrListDeletedItems(store, deleted);
        store->Release();
    }
    RemoveFiles();
    return 0;
}
