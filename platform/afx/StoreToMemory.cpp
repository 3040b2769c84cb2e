// An object's whole stored form in memory.
#include "platform/afx/StoreToMemory.h"

#include <cstdlib>
#include <new>

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CMemFile.h"

bool StoreToMemory(CObject& object, std::vector<BYTE>& bytes) {
    bytes.clear();
    CMemFile memFile;
    try {
        CArchive ar(&memFile, CArchive::store);
        object.Serialize(ar);
        ar.Close();
    } catch (CException* e) {
        e->Delete();
        return false;
    }
    const size_t cb = (size_t)memFile.GetLength();
    BYTE* lpData = memFile.Detach();
    bool bCopied = true;
    try {
        bytes.assign(lpData, lpData + cb);
    } catch (const std::bad_alloc&) {
        bCopied = false;
    }
    std::free(lpData);
    return bCopied;
}
