// The index against a plain grouping: random labels filed as the search files them give the same groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "engine/SmallBlockPool.h"
#include "tests/engine/EngineTestSupport.h"

using namespace enginetest;

namespace {

// One random value of a column type; a small value space so that duplicates are common, and a
// missing value now and then. 'canonical' gets the value as a plain grouping sees it.
void AddRandomValue(RowBuilder& b, ULONG ulType, std::mt19937& rng, std::string& canonical) {
    const int v = std::uniform_int_distribution<int>(0, 4)(rng);
    if (std::uniform_int_distribution<int>(0, 9)(rng) == 0) {
        b.Missing();
        // A missing number or time is 0; a missing text or binary value is a key of its own.
        canonical += ulType == PT_LONG      ? "L0|"
                     : ulType == PT_SYSTIME ? "T0/0|"
                     : ulType == PT_STRING8 ? "S-|"
                                            : "B-|";
        return;
    }
    const std::string s = (v == 0) ? "" : std::string(1, "aAbB"[v - 1]);
    const std::vector<BYTE> bytes(v % 3, BYTE(v));
    switch (ulType) {
        case PT_LONG:
            b.Long(v - 2);
            canonical += "L" + std::to_string(v - 2) + "|";
            break;
        case PT_STRING8:
            b.String(s.c_str());
            canonical += "S+" + s + "|";
            break;
        case PT_BINARY:
            b.Binary(bytes);
            canonical +=
                "B+" + std::to_string(bytes.size()) + ":" + std::to_string(bytes.empty() ? 0 : v) + "|";
            break;
        case PT_SYSTIME:
            b.Value(PT_SYSTIME, {.ft = {DWORD(v), DWORD(v % 2)}});
            canonical += "T" + std::to_string(v) + "/" + std::to_string(v % 2) + "|";
            break;
    }
}

}  // namespace

TEST(IndexDifferential, GroupsEqualAPlainGroupingOfTheSameValues) {
    const std::vector<std::vector<ULONG>> layouts = {{PT_LONG},
                                                     {PT_STRING8, PT_LONG},
                                                     {PT_BINARY, PT_SYSTIME, PT_STRING8},
                                                     {PT_LONG, PT_LONG, PT_BINARY, PT_STRING8}};
    // Run at the program's default level, where keys are looked up as the values stand and labels
    // of their own keep their values in tails, and at call-trace level, where every key is converted
    // into a copy first and every line is made: both must group alike, also when the level changes
    // halfway through a search.
    for (unsigned run = 0; run < 40; ++run) {
        const unsigned seed = 1 + run / 2;
        qrvtest::TraceCapture level(run % 2 ? TRACE_CALL : TRACE_ERROR);
        std::optional<qrvtest::TraceCapture> secondHalf;
        std::mt19937 rng(seed);
        const std::vector<ULONG>& types = layouts[seed % layouts.size()];
        const int nItems = 50 + int(rng() % 400);

        std::vector<RowBuilder> rows(nItems);
        std::map<std::string, std::set<ULONG>> expected;
        for (int i = 0; i < nItems; ++i) {
            std::string canonical;
            for (ULONG t : types) {
                AddRandomValue(rows[i], t, rng, canonical);
            }
            rows[i].ColumnTypes(types);
            expected[canonical].insert(ULONG(i + 1));
        }
        LPSPropTagArray lpColumns = rows[0].Columns();
        // In the normal build the index's objects share slabs, where a leak checker cannot tell a
        // lost object from a free block; the pool's own count can: a released index gives every
        // block back.
        const size_t cBlocksBefore = CSmallBlockPool::Shared().LiveBlocks();
        CDrawerMap* pMap = MakeIndex(lpColumns);
        for (int i = 0; i < nItems; ++i) {
            if (i == nItems / 2 && run % 4 >= 2) {
                secondHalf.emplace(run % 2 ? TRACE_ERROR : TRACE_CALL);
            }
            FileEntry(pMap, rows[i].Row(), lpColumns, ULONG(i + 1), i % 2 ? "subject" : nullptr);
        }

        std::set<std::set<ULONG>> found;
        size_t entries = 0;
        for (CSortDrawer* pDrawer : Walk(pMap)) {
            const std::vector<ULONG> numbers = EntryNumbers(pDrawer);
            entries += numbers.size();
            found.emplace(numbers.begin(), numbers.end());
        }
        std::set<std::set<ULONG>> want;
        for (auto& [key, group] : expected) {
            want.insert(group);
        }
        EXPECT_EQ(size_t(nItems), entries) << "run " << run;
        EXPECT_EQ(want, found) << "run " << run;
        pMap->Release();
        EXPECT_EQ(cBlocksBefore, CSmallBlockPool::Shared().LiveBlocks()) << "run " << run;
    }
}

namespace {

// One value a row may carry in a column, and its reference key: a byte string whose plain byte order
// is the order the index must walk in, equal exactly when the index must group. Built from the
// values alone, so it shares nothing with the index's own comparisons and hashes.
struct CValue {
    ULONG ulType;  // the value's own type; a string may come in the other width
    _PV pv;
    std::string ref;
};

std::string BigEndian(uint64_t v, int cb) {
    std::string s;
    for (int i = cb - 1; i >= 0; --i) {
        s.push_back(char((v >> (8 * i)) & 0xFF));
    }
    return s;
}
std::string SignedRef(int64_t v) {
    return BigEndian(uint64_t(v) ^ (1ull << 63), 8);
}
// Every NaN is one key after all numbers; -0.0 is 0.0.
std::string FloatingRef(double d) {
    if (std::isnan(d)) {
        return "\x02";
    }
    uint64_t bits;
    d = (d == 0.0) ? 0.0 : d;
    std::memcpy(&bits, &d, 8);
    return "\x01" + BigEndian((bits >> 63) ? ~bits : bits | (1ull << 63), 8);
}
std::string BytesRef(const void* p, size_t cb) {
    return std::string(static_cast<const char*>(p), cb);
}
std::string WideRef(const std::u16string& s) {
    std::string r = "\x01";
    for (char16_t c : s) {
        r += BigEndian(c, 2);
    }
    return r;
}

// The values of every column type: the edge values of each key type and enough others that a line
// holds more keys than it scans, so lookups go through its hash table. Storage lives as long as the
// pools.
class CPools {
public:
    static constexpr ULONG kTypes[] = {PT_I2,      PT_LONG,    PT_R4,     PT_DOUBLE, PT_CURRENCY,
                                       PT_APPTIME, PT_BOOLEAN, PT_OBJECT, PT_I8,     PT_STRING8,
                                       PT_UNICODE, PT_SYSTIME, PT_CLSID,  PT_BINARY};
    CPools() {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const std::vector<double> doubles = {0.0, -0.0, nan,    -nan,    std::nan("7"), inf,   -inf,
                                             1.0, -1.0, 5e-324, -5e-324, 1e308,         -1e308};
        for (ULONG t : kTypes) {
            auto& pool = m_values[t];
            // Missing values: the null key, which numbers share with 0 and pointers keep apart.
            const bool fPointer = t == PT_STRING8 || t == PT_UNICODE || t == PT_CLSID || t == PT_BINARY;
            const std::string nullRef = fPointer                                            ? std::string()
                                        : (t == PT_R4 || t == PT_DOUBLE || t == PT_APPTIME) ? FloatingRef(0)
                                        : (t == PT_CURRENCY || t == PT_SYSTIME) ? std::string(8, '\0')
                                                                                : SignedRef(0);
            pool.push_back({PT_ERROR, {.err = (SCODE)0x8004010F}, nullRef});
            pool.push_back({PT_NULL, {}, nullRef});
            for (int k = -10; k <= 10; ++k) {
                switch (t) {
                    case PT_I2:
                        pool.push_back({t, {.i = SHORT(k * 3001)}, SignedRef(k * 3001)});
                        break;
                    case PT_LONG:
                        pool.push_back({t, {.l = LONG(k * 200000011)}, SignedRef(k * 200000011)});
                        break;
                    case PT_R4:
                        pool.push_back({t, {.flt = float(k) * 0.5f}, FloatingRef(k * 0.5)});
                        break;
                    case PT_DOUBLE:
                        pool.push_back({t, {.dbl = k * 0.1}, FloatingRef(k * 0.1)});
                        break;
                    case PT_APPTIME:
                        pool.push_back({t, {.at = 40000.0 + k / 24.0}, FloatingRef(40000.0 + k / 24.0)});
                        break;
                    case PT_CURRENCY:
                        AddCurrency(LONGLONG(k) * 10000);
                        break;
                    case PT_BOOLEAN:
                        pool.push_back({t, {.b = USHORT(k * 6007)}, SignedRef(USHORT(k * 6007))});
                        break;
                    case PT_OBJECT:
                        AddObject(LONG(k) * 99991, uint32_t(k));
                        break;
                    case PT_I8: {
                        const LONGLONG ll = LONGLONG(k) * 0x123456789ll;
                        pool.push_back({t, {.li = {.QuadPart = ll}}, SignedRef(ll)});
                        break;
                    }
                    case PT_STRING8:
                    case PT_UNICODE: {
                        const char c = char('A' + (k * 7 + 70) % 26);
                        AddText(t, t, std::string("key-") + c, std::u16string(u"key-") + char16_t(c));
                        break;
                    }
                    case PT_SYSTIME:
                        AddTime(DWORD(k * 0x10001), DWORD(k) << 28);
                        break;
                    case PT_CLSID: {
                        GUID g{};
                        std::memset(&g, k & 0xFF, sizeof(g));
                        reinterpret_cast<BYTE*>(&g)[k & 15] ^= 0x5A;
                        AddGuid(g);
                        break;
                    }
                    case PT_BINARY:
                        AddBinary(std::vector<BYTE>(size_t(k + 10) % 12, BYTE(k)));
                        break;
                }
            }
        }
        for (double d : doubles) {
            m_values[PT_R4].push_back({PT_R4, {.flt = float(d)}, FloatingRef(float(d))});
            m_values[PT_DOUBLE].push_back({PT_DOUBLE, {.dbl = d}, FloatingRef(d)});
            m_values[PT_APPTIME].push_back({PT_APPTIME, {.at = d}, FloatingRef(d)});
        }
        for (LONGLONG ll : {0ll, 1ll, -1ll, 256ll, -256ll, LLONG_MIN, LLONG_MAX}) {
            AddCurrency(ll);
            m_values[PT_I8].push_back({PT_I8, {.li = {.QuadPart = ll}}, SignedRef(ll)});
        }
        for (int i : {SHRT_MIN, -1, 0, 1, SHRT_MAX}) {
            m_values[PT_I2].push_back({PT_I2, {.i = SHORT(i)}, SignedRef(i)});
        }
        for (LONG l : {INT_MIN, -1, 0, 1, INT_MAX}) {
            m_values[PT_LONG].push_back({PT_LONG, {.l = l}, SignedRef(l)});
            // Only the first 32 bits count: values that differ above them are one key.
            AddObject(l, 0);
            AddObject(l, 0xDEADBEEF);
        }
        // The 16-bit boolean widened without sign: 1 and 65535 are different keys, 65535 the larger.
        for (USHORT b : {0, 1, 2, 0x7FFF, 0x8000, 0xFFFF}) {
            m_values[PT_BOOLEAN].push_back({PT_BOOLEAN, {.b = b}, SignedRef(b)});
        }
        // Times with the top bit of either half set: an unsigned order.
        for (DWORD hi : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
            for (DWORD lo : {0u, 0x80000000u, 0xFFFFFFFFu}) {
                AddTime(lo, hi);
            }
        }
        // Texts of equal content in both widths are one key in either column; the null pointer is the
        // missing value, the empty text a key of its own.
        const std::vector<std::pair<std::string, std::u16string>> texts = {{"", u""},
                                                                           {"a", u"a"},
                                                                           {"A", u"A"},
                                                                           {"ab", u"ab"},
                                                                           {"a b", u"a b"},
                                                                           {"\xC3\xA9", u"\u00E9"},
                                                                           {"\xE2\x82\xAC", u"\u20AC"},
                                                                           {"\xEF\xBF\xBF", u"\uFFFF"}};
        for (const auto& [narrow, wide] : texts) {
            for (ULONG column : {PT_STRING8, PT_UNICODE}) {
                AddText(column, PT_STRING8, narrow, wide);
                AddText(column, PT_UNICODE, narrow, wide);
            }
        }
        m_values[PT_STRING8].push_back({PT_STRING8, {.lpszA = nullptr}, ""});
        m_values[PT_UNICODE].push_back({PT_UNICODE, {.lpszW = nullptr}, ""});
        m_values[PT_CLSID].push_back({PT_CLSID, {.lpguid = nullptr}, ""});
        for (int i = 0; i < 16; i += 5) {
            GUID g{};
            reinterpret_cast<BYTE*>(&g)[i] = 0x80;
            AddGuid(g);
        }
        // Binary values with common prefixes and trailing zeros, across the 8-byte steps of a hash;
        // an empty value with or without a pointer, and one that counts bytes it does not have, all
        // hold no bytes.
        for (const std::vector<BYTE>& v : std::vector<std::vector<BYTE>>{{},
                                                                         {0},
                                                                         {0, 0},
                                                                         {1},
                                                                         {1, 0},
                                                                         {1, 0, 0},
                                                                         {1, 2},
                                                                         {1, 2, 0},
                                                                         {255},
                                                                         {1, 2, 3, 4, 5, 6, 7, 8},
                                                                         {1, 2, 3, 4, 5, 6, 7, 8, 0},
                                                                         {1, 2, 3, 4, 5, 6, 7, 9},
                                                                         {1, 2, 3, 4, 5, 6, 7, 8, 0, 0}}) {
            AddBinary(v);
        }
        static BYTE s_byte = 7;
        m_values[PT_BINARY].push_back({PT_BINARY, {.bin = {0, &s_byte}}, "\x01" + BigEndian(0, 4)});
        m_values[PT_BINARY].push_back({PT_BINARY, {.bin = {5, nullptr}}, "\x01" + BigEndian(0, 4)});
    }

    const std::vector<CValue>& Of(ULONG ulType) { return m_values[ulType]; }

private:
    void AddCurrency(LONGLONG ll) {
        CURRENCY cur;
        cur.int64 = ll;
        m_values[PT_CURRENCY].push_back({PT_CURRENCY, {.cur = cur}, BytesRef(&cur, 8)});
    }
    void AddObject(LONG l, uint32_t high) {
        _PV pv{};
        pv.li.QuadPart = LONGLONG((uint64_t(high) << 32) | uint32_t(l));
        m_values[PT_OBJECT].push_back({PT_OBJECT, pv, SignedRef(l)});
    }
    void AddTime(DWORD lo, DWORD hi) {
        m_values[PT_SYSTIME].push_back({PT_SYSTIME, {.ft = {lo, hi}}, BigEndian(hi, 4) + BigEndian(lo, 4)});
    }
    // A text in a column of either width, carried in either width; its key is the column's form.
    void AddText(ULONG ulColumn, ULONG ulCarried, const std::string& narrow, const std::u16string& wide) {
        _PV pv{};
        if (ulCarried == PT_STRING8) {
            pv.lpszA = m_narrow.emplace_back(narrow).data();
        } else {
            pv.lpszW = m_wide.emplace_back(wide).data();
        }
        m_values[ulColumn].push_back(
            {ulCarried, pv, ulColumn == PT_STRING8 ? "\x01" + narrow : WideRef(wide)});
    }
    void AddGuid(const GUID& g) {
        m_guids.push_back(g);
        m_values[PT_CLSID].push_back({PT_CLSID, {.lpguid = &m_guids.back()}, "\x01" + BytesRef(&g, 16)});
    }
    void AddBinary(const std::vector<BYTE>& v) {
        m_bytes.push_back(v);
        std::vector<BYTE>& stored = m_bytes.back();
        m_values[PT_BINARY].push_back({PT_BINARY,
                                       {.bin = {ULONG(v.size()), v.empty() ? nullptr : stored.data()}},
                                       "\x01" + BigEndian(v.size(), 4) + BytesRef(stored.data(), v.size())});
    }

    std::map<ULONG, std::vector<CValue>> m_values;
    std::deque<std::string> m_narrow;
    std::deque<std::u16string> m_wide;
    std::deque<GUID> m_guids;
    std::deque<std::vector<BYTE>> m_bytes;
};

using Groups = std::vector<std::set<ULONG>>;

// The first place where a walk leaves the reference, rather than both walks whole.
void ExpectWalk(const Groups& expected, const Groups& walked) {
    EXPECT_EQ(expected.size(), walked.size()) << "number of groups";
    const size_t cCommon = std::min(expected.size(), walked.size());
    for (size_t i = 0; i < cCommon; ++i) {
        if (expected[i] != walked[i]) {
            ADD_FAILURE() << "group " << i << " of the walk: expected items from " << *expected[i].begin()
                          << " (" << expected[i].size() << "), got from " << *walked[i].begin() << " ("
                          << walked[i].size() << ")";
            return;
        }
    }
}

}  // namespace

// Every column type at the top line and at the last line, with lines large enough to be hashed:
// the groups and the walk must be those of a plain grouping by the reference keys, whether keys are
// looked up as the values stand (default level) or converted first (call-trace level), and after a
// walk has sorted a line and later filings came.
TEST(IndexDifferential, EveryKeyTypeGroupsAndWalksLikeItsReferenceOrderInHashedLines) {
    CPools pools;
    constexpr size_t kTypeCount = std::size(CPools::kTypes);
    for (size_t t = 0; t < kTypeCount; ++t) {
        const std::vector<ULONG> types = {CPools::kTypes[t], CPools::kTypes[(t + 1) % kTypeCount]};
        for (LONG level : {TRACE_ERROR, TRACE_CALL}) {
            SCOPED_TRACE(testing::Message() << "types " << types[0] << "/" << types[1] << " level " << level);
            qrvtest::TraceCapture trace(level);
            std::mt19937 rng(unsigned(t) + 1);
            const int nItems = 1500;
            std::vector<RowBuilder> rows(nItems);
            std::map<std::vector<std::string>, std::set<ULONG>> expected;
            std::vector<std::map<std::vector<std::string>, std::set<ULONG>>> halves(2);
            for (int i = 0; i < nItems; ++i) {
                std::vector<std::string> refs;
                for (ULONG type : types) {
                    const std::vector<CValue>& pool = pools.Of(type);
                    const CValue& v = pool[rng() % pool.size()];
                    rows[i].Value(v.ulType, v.pv);
                    refs.push_back(v.ref);
                }
                rows[i].ColumnTypes(types);
                expected[refs].insert(ULONG(i + 1));
                if (i < nItems / 2) {
                    halves[0][refs].insert(ULONG(i + 1));
                }
            }
            LPSPropTagArray lpColumns = rows[0].Columns();
            const size_t cBlocksBefore = CSmallBlockPool::Shared().LiveBlocks();
            CDrawerMap* pMap = MakeIndex(lpColumns);
            auto WalkedGroups = [&] {
                Groups walked;
                for (CSortDrawer* pDrawer : Walk(pMap)) {
                    const std::vector<ULONG> numbers = EntryNumbers(pDrawer);
                    walked.emplace_back(numbers.begin(), numbers.end());
                }
                return walked;
            };
            auto InOrder = [](const std::map<std::vector<std::string>, std::set<ULONG>>& groups) {
                Groups ordered;
                for (const auto& [refs, group] : groups) {
                    ordered.push_back(group);
                }
                return ordered;
            };
            for (int i = 0; i < nItems; ++i) {
                if (i == nItems / 2) {
                    ExpectWalk(InOrder(halves[0]), WalkedGroups());
                }
                FileEntry(pMap, rows[i].Row(), lpColumns, ULONG(i + 1));
            }
            EXPECT_GT(expected.size(), 100u);
            ExpectWalk(InOrder(expected), WalkedGroups());
            pMap->Release();
            EXPECT_EQ(cBlocksBefore, CSmallBlockPool::Shared().LiveBlocks());
        }
    }
}
