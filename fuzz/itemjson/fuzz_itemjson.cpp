// The store tool's item import under arbitrary JSON documents.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/mapi/MAPIX.h"
#include "platform/mapi/StoreAdmin.h"
#include "tools/store/ItemJson.h"
#include "tools/store/ToolText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fuzz_itemjson." + std::to_string(getpid()) + ".qst";
    static LPMDB store = nullptr;
    static LPMAPIFOLDER folder = nullptr;
    if (store == nullptr) {
        MAPIInitialize(nullptr);
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::remove((path + suffix).c_str());
        }
        HrCreateStoreFile(path, "Fuzz", "");
        HrOpenStoreFile(path, "", MAPI_BEST_ACCESS, &store);
        ULONG cb = 0;
        LPENTRYID inbox = nullptr;
        store->GetReceiveFolder(nullptr, 0, &cb, &inbox, nullptr);
        ULONG type = 0;
        store->OpenEntry(cb, inbox, nullptr, MAPI_BEST_ACCESS, &type, reinterpret_cast<LPUNKNOWN*>(&folder));
        MAPIFreeBuffer(inbox);
    }
    nlohmann::json doc = nlohmann::json::parse(data, data + size, nullptr, false);
    if (doc.is_discarded()) {
        return 0;
    }
    // Every import is rolled back, so the store stays small however long the run.
    HrBeginStoreBatch(store);
    try {
        qrvstore::ImportItems(folder, doc);
        nlohmann::json exported = qrvstore::ExportItems(folder);
        (void)exported;
    } catch (const qrvstore::CToolError&) {
    } catch (const nlohmann::json::exception&) {
    }
    HrEndStoreBatch(store, FALSE);
    return 0;
}
