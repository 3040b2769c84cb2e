// Record classes shaped like the system's saved property lists, for archive tests and fuzzing.
//
// They write and read the same bytes as the model's records (version DWORDs, keyed entries,
// record references), so the encoding can be checked against known files without the model.
// Each record is reference-counted: a reader takes one reference on every record it keeps.
#pragma once

#include <string>
#include <vector>

#include "platform/afx/CArchive.h"
#include "platform/afx/CObject.h"
#include "platform/afx/CString.h"

namespace golden {

class CRefRecord : public CObject {
public:
    CRefRecord() { ++s_nLive; }
    ~CRefRecord() override { --s_nLive; }
    ULONG AddRef() { return ++m_cRef; }
    ULONG Release();
    // Records alive right now: a test that ends above its start value leaked.
    static inline int s_nLive = 0;

protected:
    ULONG m_cRef = 0;
};

class CPropertyID : public CRefRecord {
    DECLARE_SERIAL(CPropertyID)
public:
    void Serialize(CArchive& ar) override;
    DWORD m_bSelected = 0;
    DWORD m_ulContext = 0;
};

class CStdPropertyID : public CPropertyID {
    DECLARE_SERIAL(CStdPropertyID)
public:
    void Serialize(CArchive& ar) override;
    DWORD m_ulTag = 0;
};

class CNamedPropertyID : public CPropertyID {
    DECLARE_SERIAL(CNamedPropertyID)
public:
    void Serialize(CArchive& ar) override;
    DWORD m_ulPropType = 10;
    std::vector<BYTE> m_guid;  // empty: no GUID
    DWORD m_ulKind = 0;        // 0 number, 1 name
    DWORD m_lID = 0;
    std::u16string m_name;
};

// One entry of a list: a key (numeric or GUID bytes) and the record it holds a reference on.
struct ListEntry {
    DWORD key = 0;
    std::vector<BYTE> guid;
    CRefRecord* pRecord = nullptr;
};

class CPropertyList : public CRefRecord {
    DECLARE_SERIAL(CPropertyList)
public:
    ~CPropertyList() override;
    void Serialize(CArchive& ar) override;
    // Takes a reference on pRecord.
    void Add(DWORD key, CRefRecord* pRecord, const std::vector<BYTE>& guid = {});
    std::vector<ListEntry> m_entries;

protected:
    // What stands before each entry's record, and the class the entries must have.
    enum BodyKind { noBody, keyedBody, guidBody, plainBody };
    CPropertyList(BodyKind kind = noBody, const CRuntimeClass* pEntryClass = nullptr)
        : m_kind(kind), m_pEntryClass(pEntryClass) {}
    void Clear();
    BodyKind m_kind;
    const CRuntimeClass* m_pEntryClass;
};

// The saved list classes differ only in their body and the class of their entries.
#define GOLDEN_LIST_CLASS(name, kind, entryClass)                  \
    class name : public CPropertyList {                            \
        DECLARE_SERIAL(name)                                       \
    public:                                                        \
        name() : CPropertyList(kind, RUNTIME_CLASS(entryClass)) {} \
    };

GOLDEN_LIST_CLASS(CPropTypeList, keyedBody, CPropertyList)
GOLDEN_LIST_CLASS(CStdPropList, keyedBody, CPropertyID)
GOLDEN_LIST_CLASS(CNamedPropList, guidBody, CPropertyList)
GOLDEN_LIST_CLASS(CGuidNamedIDList, plainBody, CPropertyID)
GOLDEN_LIST_CLASS(CGuidNamedNamedList, plainBody, CPropertyID)
#undef GOLDEN_LIST_CLASS

// A bag of references to anything, with a label: stresses indexes and texts.
class CTestBag : public CRefRecord {
    DECLARE_SERIAL(CTestBag)
public:
    ~CTestBag() override;
    void Serialize(CArchive& ar) override;
    void Add(CRefRecord* pRecord);  // takes a reference; null is kept as a null slot
    CString m_label;
    std::vector<CRefRecord*> m_items;
};

// A record of a class that never stands in a stream (schema 0xFFFF).
class CNotARecord : public CRefRecord {
    DECLARE_DYNCREATE(CNotARecord)
};

// Reads a document stream: DWORD version 1, DWORD n, n record references (required class
// pRequired); keeps one reference on each. Releases what it read when a failure passes through.
std::vector<CRefRecord*> ReadDocument(CArchive& ar, const CRuntimeClass* pRequired);
void ReleaseAll(std::vector<CRefRecord*>& records);

}  // namespace golden
