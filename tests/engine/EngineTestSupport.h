// Helpers of the engine tests: label rows built from plain values, filing and walking the index.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/DrawerMap.h"
#include "engine/EntryReference.h"
#include "engine/SortDrawer.h"
#include "platform/mapi/MAPIDefs.h"
#include "tests/support/TraceCapture.h"

namespace enginetest {

// A label row whose texts and bytes live in storage shared by every copy of the builder.
class RowBuilder {
public:
    RowBuilder& Long(LONG l) { return Value(PT_LONG, {.l = l}); }
    RowBuilder& Short(SHORT i) { return Value(PT_I2, {.i = i}); }
    // A value that is not there: nothing but the error code, the other bytes zero.
    RowBuilder& Missing(ULONG ulType = PT_ERROR) {
        Value(ulType, {});
        m_values.back().Value.err = (SCODE)0x8004010F;
        return *this;
    }
    RowBuilder& String(const char* psz) {
        auto text = std::make_shared<std::string>(psz == nullptr ? "" : psz);
        m_storage.push_back(text);
        return Value(PT_STRING8, {.lpszA = psz == nullptr ? nullptr : text->data()});
    }
    RowBuilder& Binary(const std::vector<BYTE>& bytes) {
        auto copy = std::make_shared<std::vector<BYTE>>(bytes);
        m_storage.push_back(copy);
        return Value(PT_BINARY, {.bin = {(ULONG)bytes.size(), bytes.empty() ? nullptr : copy->data()}});
    }
    RowBuilder& Value(ULONG ulType, const _PV& value) {
        SPropValue v{};
        v.ulPropTag = PROP_TAG(ulType, 0x8000 + m_values.size());
        v.Value = value;
        m_values.push_back(v);
        return *this;
    }
    // Columns of explicit types (for missing values in a typed column).
    RowBuilder& ColumnTypes(const std::vector<ULONG>& types) {
        m_columnTags.clear();
        for (size_t i = 0; i < types.size(); ++i) {
            m_columnTags.push_back(PROP_TAG(types[i], 0x8000 + i));
        }
        return *this;
    }

    // The row and the matching column set (one column per value, each of the value's type unless
    // given otherwise).
    SRow& Row() {
        m_row = SRow{0, (ULONG)m_values.size(), m_values.data()};
        return m_row;
    }
    LPSPropTagArray Columns() {
        m_columns.assign(1, (ULONG)m_values.size());
        for (size_t i = 0; i < m_values.size(); ++i) {
            m_columns.push_back(m_columnTags.empty() ? m_values[i].ulPropTag : m_columnTags[i]);
        }
        return reinterpret_cast<LPSPropTagArray>(m_columns.data());
    }

private:
    std::vector<SPropValue> m_values;
    std::vector<std::shared_ptr<void>> m_storage;
    std::vector<ULONG> m_columnTags;
    std::vector<ULONG> m_columns;
    SRow m_row{};
};

// A row of one value.
inline RowBuilder RowOf(ULONG ulType, const _PV& value) {
    RowBuilder b;
    b.Value(ulType, value);
    return b;
}

// A new drawer with one reference for the caller and the row as its label.
inline CSortDrawer* NewDrawer(SRow& row) {
    CSortDrawer* pDrawer = new CSortDrawer();
    pDrawer->AddRef();
    pDrawer->Init(&row);
    return pDrawer;
}

// A new entry reference with one reference for the caller.
inline CEntryReference* NewEntry(ULONG ulNumber) {
    auto* p = new CEntryReference(ulNumber);
    p->AddRef();
    return p;
}

// The object's current reference count, read without changing it.
template <class T>
ULONG RefCount(T* p) {
    p->AddRef();
    return p->Release();
}

// A new index over the columns, with one reference for the caller.
inline CDrawerMap* MakeIndex(LPSPropTagArray lpColumns) {
    CDrawerMap* pMap = nullptr;
    EXPECT_EQ(S_OK, CDrawerMap::CreateDrawerMap(lpColumns, 0, &pMap));
    return pMap;
}

// Every drawer of a walk, each handed back (released) after reading it.
inline std::vector<CSortDrawer*> Walk(CDrawerMap* pMap) {
    std::vector<CSortDrawer*> drawers;
    CSortDrawer* pDrawer = nullptr;
    for (HRESULT hr = pMap->FindFirst(&pDrawer); SUCCEEDED(hr) && pDrawer != nullptr;
         hr = pMap->FindNext(&pDrawer)) {
        drawers.push_back(pDrawer);
        pDrawer->Release();
    }
    return drawers;
}

// The entry's subject as handed out ("<null>" for none); the caller's copy is freed here.
inline std::string Subject(CEntryReference* pRef) {
    LPSTR psz = reinterpret_cast<LPSTR>(0x1);
    EXPECT_EQ(S_OK, pRef->GetSubjectLine(&psz));
    std::string s = psz == nullptr ? "<null>" : psz;
    std::free(psz);
    return s;
}

// Every entry of a drawer's walk, each handed back (released) after reading it: the drawer holds it.
inline std::vector<CEntryReference*> Entries(CSortDrawer* pDrawer) {
    std::vector<CEntryReference*> entries;
    CEntryReference* pEntry = nullptr;
    for (HRESULT hr = pDrawer->FindFirst(&pEntry); SUCCEEDED(hr) && pEntry != nullptr;
         hr = pDrawer->FindNext(&pEntry)) {
        entries.push_back(pEntry);
        pEntry->Release();
    }
    return entries;
}

// The numbers of a drawer's entries in walk order.
inline std::vector<ULONG> EntryNumbers(CSortDrawer* pDrawer) {
    std::vector<ULONG> numbers;
    for (CEntryReference* pEntry : Entries(pDrawer)) {
        numbers.push_back(pEntry->GetNumber());
    }
    return numbers;
}

// Files the row the way the search does: into the drawer already filed under its label, else into a
// new one. Hands back that drawer (the index holds it).
inline CSortDrawer* FileRow(CDrawerMap* pMap, SRow& row, LPSPropTagArray lpColumns) {
    CSortDrawer* pDrawer = nullptr;
    EXPECT_EQ(S_OK, pMap->LookupDrawer(&row, 0, lpColumns, &pDrawer));
    if (pDrawer == nullptr) {
        pDrawer = NewDrawer(row);
        EXPECT_EQ(S_OK, pMap->InsertDrawer(&row, 0, lpColumns, &pDrawer));
    }
    pDrawer->Release();
    return pDrawer;
}

// Files a numbered entry reference under the row: odd numbers in the search's one pass
// (InsertEntry), even ones by LookupDrawer and InsertDrawer, so that one index meets both.
inline void FileEntry(CDrawerMap* pMap, SRow& row, LPSPropTagArray lpColumns, ULONG ulNumber,
                      LPCSTR lpszSubject = nullptr) {
    static BYTE s_id[2] = {1, 2};
    const SBinary key{2, s_id};
    CEntryReference* pRef = NewEntry(ulNumber);
    EXPECT_EQ(S_OK, pRef->Init(&key, 0, 0, &key, FILETIME{}, lpszSubject));
    if (ulNumber % 2 != 0) {
        EXPECT_EQ(S_OK, pMap->InsertEntry(&row, 0, lpColumns, pRef));
    } else {
        EXPECT_EQ(S_OK, FileRow(pMap, row, lpColumns)->Insert(pRef));
    }
    pRef->Release();
}

}  // namespace enginetest
