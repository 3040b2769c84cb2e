// Benchmarks of the configuration document: storing and reading a large ".qrv" in memory.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "model/ConfigInfo.h"
#include "model/QuorvelDoc.h"
#include "model/StoreInfo.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CMemFile.h"
#include "platform/mapi/EntryId.h"
#include "tests/model/ConfigTestAccess.h"
#include "tests/model/FakeMsgStore.h"
#include "trace/Trace.h"

namespace {

// nConfigs configurations of all six types, each with 4 stores of 16 folders, and the default
// property lists: a user's document at its largest.
void FillDocument(CQuorvelDoc& doc, int nConfigs) {
    for (int i = 0; i < nConfigs; ++i) {
        CConfigInfo* pConfig = nullptr;
        CConfigInfo::CreateConfigInfo("Configuration " + std::to_string(i), (DWORD)(i % 6) + 1, &doc,
                                      &pConfig);
        for (int s = 0; s < 4; ++s) {
            const std::string id = "store-entry-id-" + std::to_string(i) + "-" + std::to_string(s);
            CStoreInfo* pStore =
                CConfigInfoTestAccess::AddStore(pConfig, id, "instance-" + id, "Personal Folders");
            for (int f = 0; f < 16; ++f) {
                const std::string folder = id + "-folder-entry-id-" + std::to_string(f);
                pStore->AddFolder(nullptr, (ULONG)folder.size(),
                                  reinterpret_cast<const BYTE*>(folder.data()));
            }
        }
        doc.AddConfiguration(pConfig);
        pConfig->Release();
    }
}

std::vector<BYTE> Store(CQuorvelDoc& doc) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    doc.Serialize(ar);
    ar.Close();
    const ULONGLONG cb = file.GetLength();
    BYTE* lpb = file.Detach();
    std::vector<BYTE> bytes(lpb, lpb + cb);
    free(lpb);
    return bytes;
}

void BM_StoreDocument(benchmark::State& state) {
    SetTraceLevel(-1);
    CQuorvelDoc doc;
    FillDocument(doc, (int)state.range(0));
    size_t cb = 0;
    for (auto _ : state)
        cb = Store(doc).size();
    state.SetBytesProcessed((int64_t)(cb * state.iterations()));
}
BENCHMARK(BM_StoreDocument)->Arg(6)->Arg(60);

void BM_LoadDocument(benchmark::State& state) {
    SetTraceLevel(-1);
    std::vector<BYTE> bytes;
    {
        CQuorvelDoc doc;
        FillDocument(doc, (int)state.range(0));
        bytes = Store(doc);
    }
    for (auto _ : state) {
        CQuorvelDoc doc;
        CMemFile file(bytes.data(), (UINT)bytes.size());
        CArchive ar(&file, CArchive::load);
        doc.Serialize(ar);
        ar.Close();
        benchmark::DoNotOptimize(doc.GetConfigurationCount());
    }
    state.SetBytesProcessed((int64_t)(bytes.size() * state.iterations()));
}
BENCHMARK(BM_LoadDocument)->Arg(6)->Arg(60);

// "Include sub folders" on a large tree: n folders of one store added one by one through the
// opened store, each new, then each once more (refused as held).
void BM_AddFolder(benchmark::State& state) {
    SetTraceLevel(-1);
    const int nFolders = (int)state.range(0);
    const std::string uid(16, '\x5A');
    std::vector<std::string> ids;
    ids.reserve(nFolders);
    for (int i = 0; i < nFolders; ++i)
        ids.push_back(qrvmapi::MakeEntryId(qrvmapi::EntryKind::Folder, uid, i + 1));
    auto* pMDB = new proptest::CFakeMsgStore;
    for (auto _ : state) {
        auto* pStore = new CStoreInfo;
        pStore->AddRef();
        for (int pass = 0; pass < 2; ++pass)
            for (const std::string& id : ids)
                pStore->AddFolder(pMDB, (ULONG)id.size(), reinterpret_cast<const BYTE*>(id.data()));
        benchmark::DoNotOptimize(pStore->GetFolderCount());
        pStore->Release();
    }
    pMDB->Release();
    state.SetItemsProcessed((int64_t)nFolders * state.iterations());
}
BENCHMARK(BM_AddFolder)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
