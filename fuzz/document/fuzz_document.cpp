// Fuzz target: a configuration document (".qrv") read the way File Open reads it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/QuorvelDoc.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CMemFile.h"
#include "platform/afx/StoreToMemory.h"
#include "platform/win32/MessageBox.h"
#include "trace/Trace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool bQuiet = [] {
        SetTraceLevel(-1);
        SetMessageBoxHandler([](HWND, const char*, const char*, UINT) { return IDOK; });
        return true;
    }();
    (void)bQuiet;

    std::vector<BYTE> buffer(data, data + size);
    CMemFile file(buffer.data(), (UINT)buffer.size());
    CQuorvelDoc doc;
    try {
        CArchive ar(&file, CArchive::load);
        doc.Serialize(ar);
        ar.Close();
    } catch (CException* e) {
        e->Delete();
    }
    // Whatever was read must save again.
    std::vector<BYTE> saved;
    (void)StoreToMemory(doc, saved);
    return 0;
}
