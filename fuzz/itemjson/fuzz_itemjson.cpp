// The store tool's item import under arbitrary JSON documents. The import runs on a thread with a
// small stack, so that any recursion over the document's nesting overflows at a depth that fits
// the fuzzer's input length (the seeds nest a thousand levels deep), not only at 100,000 levels.
#include <pthread.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/mapi/MAPIX.h"
#include "platform/mapi/StoreAdmin.h"
#include "tools/store/ItemJson.h"
#include "tools/store/ToolText.h"

namespace {

// Enough for the import and the store below it; far too little for a thousand levels of recursion.
constexpr size_t kStackBytes = 512 * 1024;

LPMDB store = nullptr;

std::string TempDir() {
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}
LPMAPIFOLDER folder = nullptr;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The store lies in the run's own temporary folder (TMPDIR), which the fuzz script removes: the
    // fuzzer may end without running exit handlers.
    static const std::string path = TempDir() + "/fuzz_itemjson." + std::to_string(getpid()) + ".qst";
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
    struct CRun {
        const uint8_t* data;
        size_t size;
    } run{data, size};
    auto import = [](void* arg) -> void* {
        const CRun& run = *static_cast<const CRun*>(arg);
        nlohmann::json doc = nlohmann::json::parse(run.data, run.data + run.size, nullptr, false);
        if (doc.is_discarded()) {
            return nullptr;
        }
        // Every import is rolled back, so the store stays small however long the run.
        HrBeginStoreBatch(store);
        try {
            qrvstore::ImportItems(folder, doc);
        } catch (const qrvstore::CToolError&) {
        } catch (const nlohmann::json::exception&) {
        }
        nlohmann::json exported;
        try {
            exported = qrvstore::ExportItems(folder);
        } catch (const qrvstore::CToolError&) {
        }
        // Whatever was imported can be written out again: an exception here is a finding.
        (void)exported.dump();
        HrEndStoreBatch(store, FALSE);
        return nullptr;
    };
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kStackBytes);
    pthread_t thread;
    if (pthread_create(&thread, &attr, import, &run) == 0) {
        pthread_join(thread, nullptr);
    }
    pthread_attr_destroy(&attr);
    return 0;
}
