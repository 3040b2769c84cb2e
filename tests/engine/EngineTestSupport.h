// Helpers of the engine tests: label rows built from plain values, and a capture of trace output.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/DrawerMap.h"
#include "engine/EntryReference.h"
#include "engine/SortDrawer.h"
#include "platform/mapi/MAPIDefs.h"
#include "platform/win32/DebugOutput.h"
#include "trace/Trace.h"

namespace enginetest {

// A label row whose values point into storage the builder owns.
class RowBuilder {
public:
    RowBuilder& Long(LONG l) {
        SPropValue& v = Add(PT_LONG);
        v.Value.l = l;
        return *this;
    }
    RowBuilder& Short(SHORT i) {
        SPropValue& v = Add(PT_I2);
        v.Value.i = i;
        return *this;
    }
    RowBuilder& Missing(ULONG ulType = PT_ERROR) {
        SPropValue& v = Add(ulType);
        v.Value.err = (SCODE)0x8004010F;
        return *this;
    }
    RowBuilder& String(const char* psz) {
        m_strings.push_back(psz == nullptr ? std::string() : std::string(psz));
        SPropValue& v = Add(PT_STRING8);
        v.Value.lpszA = nullptr;
        m_fixups.push_back({m_values.size() - 1, psz == nullptr ? -1 : (int)m_strings.size() - 1});
        return *this;
    }
    RowBuilder& Binary(const std::vector<BYTE>& bytes) {
        m_binaries.push_back(bytes);
        SPropValue& v = Add(PT_BINARY);
        v.Value.bin.cb = (ULONG)bytes.size();
        m_binFixups.push_back({m_values.size() - 1, (int)m_binaries.size() - 1});
        return *this;
    }
    RowBuilder& Value(ULONG ulType, const SPropValue& value) {
        SPropValue& v = Add(ulType);
        v.Value = value.Value;
        return *this;
    }

    // The row and the matching column set (one column per value, each of the value's type unless
    // given otherwise).
    SRow& Row() {
        Fix();
        m_row = SRow{0, (ULONG)m_values.size(), m_values.data()};
        return m_row;
    }
    LPSPropTagArray Columns() {
        Fix();
        m_columns.assign(1 + m_values.size(), 0);
        m_columns[0] = (ULONG)m_values.size();
        for (size_t i = 0; i < m_values.size(); ++i) {
            m_columns[i + 1] = m_columnTags.empty() ? m_values[i].ulPropTag : m_columnTags[i];
        }
        return reinterpret_cast<LPSPropTagArray>(m_columns.data());
    }
    // Columns of explicit types (for missing values in a typed column).
    RowBuilder& ColumnTypes(const std::vector<ULONG>& types) {
        m_columnTags.clear();
        for (size_t i = 0; i < types.size(); ++i) {
            m_columnTags.push_back(PROP_TAG(types[i], 0x8000 + i));
        }
        return *this;
    }

private:
    SPropValue& Add(ULONG ulType) {
        SPropValue v{};
        v.ulPropTag = PROP_TAG(ulType, 0x8000 + m_values.size());
        m_values.push_back(v);
        return m_values.back();
    }
    void Fix() {
        for (auto [index, str] : m_fixups) {
            m_values[index].Value.lpszA = str < 0 ? nullptr : m_strings[str].data();
        }
        for (auto [index, bin] : m_binFixups) {
            m_values[index].Value.bin.lpb = m_binaries[bin].empty() ? nullptr : m_binaries[bin].data();
        }
    }

    std::vector<SPropValue> m_values;
    std::vector<std::string> m_strings;
    std::vector<std::vector<BYTE>> m_binaries;
    std::vector<std::pair<size_t, int>> m_fixups;
    std::vector<std::pair<size_t, int>> m_binFixups;
    std::vector<ULONG> m_columnTags;
    std::vector<ULONG> m_columns;
    SRow m_row{};
};

// Collects everything traced while it lives, at the given level.
class TraceCapture {
public:
    explicit TraceCapture(LONG level = TRACE_ERROR) {
        m_previousLevel = SetTraceLevel(level);
        m_previousEcho = SetDebugOutputEcho(false);
        m_previousSink = SetDebugOutputSink([this](const char* text) { m_text += text; });
    }
    ~TraceCapture() {
        SetDebugOutputSink(m_previousSink);
        SetDebugOutputEcho(m_previousEcho);
        SetTraceLevel(m_previousLevel);
    }
    const std::string& Text() const { return m_text; }
    bool Contains(const std::string& piece) const { return m_text.find(piece) != std::string::npos; }

private:
    std::string m_text;
    LONG m_previousLevel;
    bool m_previousEcho;
    DebugOutputSink m_previousSink;
};

// A new drawer with one reference for the caller and the row as its label.
inline CSortDrawer* NewDrawer(SRow& row) {
    CSortDrawer* pDrawer = new CSortDrawer();
    pDrawer->AddRef();
    pDrawer->Init(&row);
    return pDrawer;
}

// The drawer's current reference count, read without changing it.
inline ULONG RefCount(CSortDrawer* p) {
    p->AddRef();
    return p->Release();
}
inline ULONG RefCount(CEntryReference* p) {
    p->AddRef();
    return p->Release();
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

// Files a numbered entry reference under the row, as the search files an item.
inline void FileEntry(CDrawerMap* pMap, SRow& row, LPSPropTagArray lpColumns, ULONG ulNumber,
                      LPCSTR lpszSubject = nullptr) {
    static BYTE s_id[2] = {1, 2};
    const SBinary key{2, s_id};
    auto* pRef = new CEntryReference(ulNumber);
    pRef->AddRef();
    EXPECT_EQ(S_OK, pRef->Init(&key, 0, 0, &key, FILETIME{}, lpszSubject));
    CSortDrawer* pDrawer = nullptr;
    EXPECT_EQ(S_OK, pMap->LookupDrawer(&row, 0, lpColumns, &pDrawer));
    const bool fNew = (pDrawer == nullptr);
    if (fNew) {
        pDrawer = NewDrawer(row);
    }
    EXPECT_EQ(S_OK, pDrawer->Insert(pRef));
    pRef->Release();
    if (fNew) {
        EXPECT_EQ(S_OK, pMap->InsertDrawer(&row, 0, lpColumns, &pDrawer));
    }
    pDrawer->Release();
}

}  // namespace enginetest
