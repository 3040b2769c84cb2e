// The synthetic item generator of the store tool.
#include "tools/store/Generator.h"

#include <cmath>
#include <cstring>

#include "platform/mapi/StoreAdmin.h"
#include "platform/win32/CodePage.h"
#include "tools/store/FolderTree.h"
#include "tools/store/ToolText.h"

namespace qrvstore {

namespace {

// A small, well-mixed generator whose output is the same on every platform.
class CRandom {
public:
    explicit CRandom(ULONGLONG seed) : m_state(seed) {}
    ULONGLONG Next() {
        ULONGLONG z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    ULONG Below(ULONG n) { return n == 0 ? 0 : static_cast<ULONG>(Next() % n); }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }

private:
    ULONGLONG m_state;
};

template <size_t N>
const char* Pick(CRandom& r, const char* const (&list)[N]) {
    return list[r.Below(N)];
}

const char* const kGiven[] = {"Anna", "Ben",   "Clara", "David", "Elena", "Felix", "Greta", "Hannes",
                              "Ines", "Jonas", "Karla", "Lukas", "Marie", "Nils",  "Olga",  "Paul",
                              "Rita", "Simon", "Tanja", "Uwe",   "Vera",  "Wim",   "Yara",  "Zoe"};
const char* const kSurname[] = {
    "Albrecht", "Becker", "Claussen", "Dietrich", "Engel",   "Fischer", "Graf",   "Hoffmann", "Iversen",
    "Jung",     "Keller", "Lorenz",   "Meyer",    "Neumann", "Otto",    "Peters", "Quandt",   "Richter",
    "Schulz",   "Thiel",  "Vogel",    "Weber",    "Zimmer",  "O'Brien", "Nguyen", "García",   "Søndergaard"};
const char* const kCompany[] = {"Northwind Traders",  "Contoso Ltd",     "Fabrikam Inc", "Adventure Works",
                                "Tailspin Toys",      "Litware",         "Proseware",    "Wingtip Partners",
                                "Lucerne Publishing", "Alpine Ski House"};
const char* const kDepartment[] = {"Sales",     "Finance", "Research",  "Support",
                                   "Marketing", "Legal",   "Operations"};
const char* const kJob[] = {"Manager",  "Engineer", "Consultant", "Accountant",
                            "Designer", "Analyst",  "Director"};
const char* const kTitle[] = {"Mr.", "Ms.", "Dr.", "Prof."};
const char* const kStreet[] = {"Main Street", "Lindenweg",      "Harbour Road", "Bahnhofstraße",
                               "Elm Avenue",  "Rue de la Paix", "Kirchgasse",   "Park Lane"};
const char* const kCity[] = {"Hamburg", "Berlin", "München", "Köln",   "Leipzig", "Dresden",
                             "Bremen",  "Wien",   "Zürich",  "London", "Paris",   "Oslo"};
const char* const kCountry[] = {"Germany", "Austria", "Switzerland", "United Kingdom", "France", "Norway"};
const char* const kDomain[] = {"example.com", "example.org", "mail.example.net", "corp.example"};
const char* const kTopic[] = {"budget",  "project kick-off", "quarterly review", "travel plans", "invoice",
                              "offsite", "release notes",    "team lunch",       "contract",     "workshop"};
const char* const kVerb[] = {"Re:", "Fwd:", "Update on", "Question about", "Notes from", "Reminder:"};
const char* const kLocation[] = {"Room 101", "Main hall", "Café Central", "Online", "Board room", "Lab 3"};
const char* const kWords[] = {"please", "review", "the",  "attached", "draft",   "before", "Friday",
                              "thanks", "for",    "your", "help",     "meeting", "agenda", "follows"};
const char* const kPattern[] = {"every Monday", "every weekday", "monthly on the 1st",
                                "every 2 weeks on Friday", "yearly on 12 May"};
const char* const kCategories[] = {"Business", "Personal", "Business; Important", "Family", "Holiday"};

std::string Digits(CRandom& r, int n) {
    std::string digits;
    for (int i = 0; i < n; ++i) {
        digits.push_back(static_cast<char>('0' + r.Below(10)));
    }
    return digits;
}

// A value before it is cast to the property's type.
struct CSample {
    enum Kind { Text, Integer, Real, Time, Boolean } m_kind = Text;
    std::string m_text;
    LONGLONG m_int = 0;
    double m_real = 0;
};

// Names and e-mail addresses of one item agree with each other: they come from the item's own
// person, picked once from the item seed.
CSample MakeSample(const std::string& sample, ULONGLONG itemSeed, size_t slot) {
    CRandom person(itemSeed);
    std::string given = Pick(person, kGiven);
    std::string surname = Pick(person, kSurname);
    std::string domain = Pick(person, kDomain);
    CRandom r(itemSeed ^ (0x9E3779B97F4A7C15ull * (slot + 1)));
    CSample s;
    auto text = [&](std::string t) {
        s.m_kind = CSample::Text;
        s.m_text = std::move(t);
    };
    auto integer = [&](LONGLONG v) {
        s.m_kind = CSample::Integer;
        s.m_int = v;
    };
    auto time = [&](LONGLONG v) {
        s.m_kind = CSample::Time;
        s.m_int = v;
    };
    if (sample == "givenName") {
        text(given);
    } else if (sample == "surname") {
        text(surname);
    } else if (sample == "fullName") {
        text(given + " " + surname);
    } else if (sample == "middleName") {
        text(std::string(1, static_cast<char>('A' + r.Below(26))) + ".");
    } else if (sample == "nickname") {
        text(given.substr(0, 3));
    } else if (sample == "title") {
        text(Pick(r, kTitle));
    } else if (sample == "email") {
        text(given + "." + surname + Digits(r, 2) + "@" + domain);
    } else if (sample == "displayName") {
        text(given + " " + surname + " (" + given + "." + surname + "@" + domain + ")");
    } else if (sample == "phone") {
        text("+49 " + Digits(r, 3) + " " + Digits(r, 7));
    } else if (sample == "company") {
        text(Pick(r, kCompany));
    } else if (sample == "department") {
        text(Pick(r, kDepartment));
    } else if (sample == "jobTitle") {
        text(Pick(r, kJob));
    } else if (sample == "address") {
        text(std::string(Pick(r, kStreet)) + " " + std::to_string(1 + r.Below(180)));
    } else if (sample == "city") {
        text(Pick(r, kCity));
    } else if (sample == "postalCode") {
        text(Digits(r, 5));
    } else if (sample == "country") {
        text(Pick(r, kCountry));
    } else if (sample == "url") {
        text("https://www." + domain + "/" + surname);
    } else if (sample == "birthday" || sample == "date") {
        time(TicksFromDate(1950 + static_cast<int>(r.Below(70)), 1 + static_cast<int>(r.Below(12)),
                           1 + static_cast<int>(r.Below(28))));
    } else if (sample == "dateTime") {
        time(TicksFromDate(2015 + static_cast<int>(r.Below(10)), 1 + static_cast<int>(r.Below(12)),
                           1 + static_cast<int>(r.Below(28)), static_cast<int>(r.Below(24)),
                           static_cast<int>(r.Below(4)) * 15));
    } else if (sample == "duration") {
        integer(15 * (1 + r.Below(16)));
    } else if (sample == "subject") {
        text(std::string(Pick(r, kVerb)) + " " + Pick(r, kTopic) + " #" + std::to_string(r.Below(10000)));
    } else if (sample == "body") {
        std::string body;
        ULONG words = 8 + r.Below(40);
        for (ULONG i = 0; i < words; ++i) {
            body += (i ? " " : "") + std::string(Pick(r, kWords));
        }
        text(body + ".");
    } else if (sample == "location") {
        text(Pick(r, kLocation));
    } else if (sample == "messageId") {
        text("<" + Digits(r, 12) + "." + Digits(r, 6) + "@" + domain + ">");
    } else if (sample == "bodySize") {
        integer(200 + r.Below(200000));
    } else if (sample == "bool" || sample == "recurrence") {
        s.m_kind = CSample::Boolean;
        s.m_int = r.Below(2);
    } else if (sample == "int") {
        integer(r.Below(100000));
    } else if (sample == "categories") {
        text(Pick(r, kCategories));
    } else if (sample == "importance") {
        integer(r.Below(3));
    } else if (sample == "sensitivity") {
        integer(r.Below(4));
    } else if (sample == "percent") {
        s.m_kind = CSample::Real;
        s.m_real = r.Below(5) * 0.25;
    } else if (sample == "status") {
        integer(r.Below(5));
    } else if (sample == "recurrencePattern") {
        text(Pick(r, kPattern));
    } else {
        text(sample + " " + Digits(r, 6));  // a kind this tool does not know still gets a value
    }
    return s;
}

// Casts a sample to the property's type; allocation on 'parent'.
bool SampleToValue(const CSample& s, ULONG tag, LPVOID parent, SPropValue& value) {
    std::memset(&value, 0, sizeof(value));
    value.ulPropTag = tag;
    ULONG type = PROP_TYPE(tag);
    LONGLONG asInt = s.m_kind == CSample::Text   ? static_cast<LONGLONG>(s.m_text.size())
                     : s.m_kind == CSample::Real ? static_cast<LONGLONG>(s.m_real)
                                                 : s.m_int;
    std::string asText = s.m_kind == CSample::Text   ? s.m_text
                         : s.m_kind == CSample::Time ? FormatTime(s.m_int)
                         : s.m_kind == CSample::Real ? std::to_string(s.m_real)
                                                     : std::to_string(s.m_int);
    auto copy = [&](const void* data, size_t cb, void** out) {
        if (FAILED(MAPIAllocateMore(static_cast<ULONG>(cb), parent, out))) {
            return false;
        }
        std::memcpy(*out, data, cb);
        return true;
    };
    switch (type) {
        case PT_I2:
            value.Value.i = static_cast<SHORT>(asInt);
            return true;
        case PT_LONG:
            value.Value.l = static_cast<LONG>(asInt);
            return true;
        case PT_I8:
        case PT_CURRENCY:
            value.Value.li.QuadPart = asInt;
            return true;
        case PT_BOOLEAN:
            value.Value.b = asInt != 0 ? 1 : 0;
            return true;
        case PT_R4:
            value.Value.flt =
                static_cast<float>(s.m_kind == CSample::Real ? s.m_real : static_cast<double>(asInt));
            return true;
        case PT_DOUBLE:
        case PT_APPTIME:
            value.Value.dbl = s.m_kind == CSample::Real ? s.m_real : static_cast<double>(asInt);
            return true;
        case PT_SYSTIME: {
            LONGLONG ticks =
                s.m_kind == CSample::Time ? s.m_int : TicksFromDate(2020, 1, 1) + asInt * 10000000;
            value.Value.ft.dwLowDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(ticks) & 0xFFFFFFFFu);
            value.Value.ft.dwHighDateTime = static_cast<DWORD>(static_cast<ULONGLONG>(ticks) >> 32);
            return true;
        }
        case PT_STRING8: {
            void* block = nullptr;
            std::string z = asText + '\0';
            if (!copy(z.data(), z.size(), &block))
                return false;
            value.Value.lpszA = static_cast<LPSTR>(block);
            return true;
        }
        case PT_UNICODE: {
            std::u16string wide = Utf8ToUtf16(asText);
            wide.push_back(u'\0');
            void* block = nullptr;
            if (!copy(wide.data(), wide.size() * sizeof(WCHAR), &block))
                return false;
            value.Value.lpszW = static_cast<LPWSTR>(block);
            return true;
        }
        case PT_BINARY: {
            void* block = nullptr;
            if (!asText.empty() && !copy(asText.data(), asText.size(), &block))
                return false;
            value.Value.bin = SBinary{static_cast<ULONG>(asText.size()), static_cast<LPBYTE>(block)};
            return true;
        }
        case PT_MV_STRING8: {
            void* array = nullptr;
            void* block = nullptr;
            std::string z = asText + '\0';
            if (!copy(z.data(), z.size(), &block) ||
                FAILED(MAPIAllocateMore(sizeof(LPSTR), parent, &array))) {
                return false;
            }
            static_cast<LPSTR*>(array)[0] = static_cast<LPSTR>(block);
            value.Value.MVszA = SLPSTRArray{1, static_cast<LPSTR*>(array)};
            return true;
        }
        default:
            // Types a catalog would not use for compared values get no value rather than a wrong one.
            value.ulPropTag = PR_NULL;
            return true;
    }
}

ULONGLONG ItemSeed(ULONGLONG seed, ULONG index) {
    CRandom r(seed * 0x100000001B3ull + index);
    return r.Next();
}

void SetClass(LPMAPIFOLDER folder, const std::string& containerClass) {
    SPropValue cls{};
    cls.ulPropTag = PR_CONTAINER_CLASS_A;
    cls.Value.lpszA = const_cast<char*>(containerClass.c_str());
    Check(folder->SetProps(1, &cls, nullptr), "Setting the container class");
}

}  // namespace

std::string ContainerClassFor(const std::string& messageClass) {
    if (messageClass.rfind("IPM.Contact", 0) == 0)
        return "IPF.Contact";
    if (messageClass.rfind("IPM.Appointment", 0) == 0)
        return "IPF.Appointment";
    if (messageClass.rfind("IPM.StickyNote", 0) == 0)
        return "IPF.StickyNote";
    if (messageClass.rfind("IPM.Task", 0) == 0)
        return "IPF.Task";
    if (messageClass.rfind("IPM.Activity", 0) == 0)
        return "IPF.Journal";
    return "IPF.Note";
}

std::string SampleText(const std::string& sample, ULONGLONG itemSeed, size_t slot) {
    CSample s = MakeSample(sample, itemSeed, slot);
    switch (s.m_kind) {
        case CSample::Text:
            return s.m_text;
        case CSample::Time:
            return FormatTime(s.m_int);
        case CSample::Real:
            return std::to_string(s.m_real);
        default:
            return std::to_string(s.m_int);
    }
}

LPMAPIFOLDER OpenOrMakeFolder(LPMDB store, const std::string& path, const std::string& containerClass) {
    LPMAPIFOLDER folder = OpenTopFolder(store);
    // A damaged file may hold, out of reach of the top, the very folder that seems to be missing
    // (a standard one too): nothing is made in it then, lest the store get a second one.
    std::string cut;
    try {
        cut = FoldersOutOfReach(store);
    } catch (...) {
        folder->Release();
        throw;
    }
    ULONG count = 0;
    LPSPropValue values = nullptr;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? path.size() : end + 1;
        if (name.empty()) {
            continue;
        }
        LPMAPIFOLDER child = nullptr;
        HRESULT hr = S_OK;
        if (cut.empty()) {
            hr = folder->CreateFolder(FOLDER_GENERIC, name.c_str(), nullptr, nullptr, OPEN_IF_EXISTS, &child);
        } else {
            try {
                child = OpenChildFolder(store, folder, name);
            } catch (...) {
                folder->Release();
                throw;
            }
        }
        folder->Release();
        if (child == nullptr && SUCCEEDED(hr)) {
            throw CToolError(cut + ": the store is damaged, so no folder \"" + name + "\" is made");
        }
        Check(hr, "Opening or making the folder \"" + name + "\"");
        folder = child;
        if (!containerClass.empty()) {
            SizedSPropTagArray(1, cls) = {1, {PR_CONTAINER_CLASS_A}};
            hr = folder->GetProps(reinterpret_cast<LPSPropTagArray>(&cls), 0, &count, &values);
            bool has = SUCCEEDED(hr) && PROP_TYPE(values[0].ulPropTag) == PT_STRING8;
            MAPIFreeBuffer(values);
            if (!has) {
                SetClass(folder, containerClass);
            }
        }
    }
    return folder;
}

CGenerateResult Generate(LPMDB store, const CGenerateOptions& options) {
    const CCatalogType& type = *options.m_type;
    if (options.m_folders == 0 || options.m_duplicates < 0 || options.m_duplicates > 1) {
        throw CToolError("--folders must be at least 1 and --duplicates between 0 and 1", 2);
    }
    std::string containerClass = ContainerClassFor(type.m_messageClass);
    CGenerateResult result;
    std::vector<LPMAPIFOLDER> folders;
    auto release = [&]() {
        for (LPMAPIFOLDER folder : folders) {
            folder->Release();
        }
    };
    try {
        folders.push_back(OpenOrMakeFolder(store, type.m_folder, containerClass));
        result.m_folders.push_back(type.m_folder);
        for (ULONG f = 2; f <= options.m_folders; ++f) {
            std::string name = type.m_folder + " " + std::to_string(f);
            folders.push_back(OpenOrMakeFolder(store, type.m_folder + "/" + name, containerClass));
            result.m_folders.push_back(name);
        }
        // The store's tags of the catalog's named properties.
        std::vector<ULONG> tags;
        for (const CCatalogProperty& prop : type.m_properties) {
            if (!prop.m_named) {
                tags.push_back(prop.m_tag);
                continue;
            }
            MAPINAMEID name{};
            name.lpguid = const_cast<GUID*>(&prop.m_guid);
            name.ulKind = prop.m_kind;
            std::u16string wide = Utf8ToUtf16(prop.m_name);
            if (prop.m_kind == MNID_ID) {
                name.Kind.lID = prop.m_id;
            } else {
                name.Kind.lpwstrName = wide.data();
            }
            LPMAPINAMEID names[1] = {&name};
            LPSPropTagArray ids = nullptr;
            Check(store->GetIDsFromNames(1, names, MAPI_CREATE, &ids), "Mapping a named property");
            tags.push_back(CHANGE_PROP_TYPE(ids->aulPropTag[0], PROP_TYPE(prop.m_tag)));
            MAPIFreeBuffer(ids);
        }
        bool hasSubject = false;
        for (ULONG tag : tags) {
            hasSubject = hasSubject || PROP_ID(tag) == PROP_ID(PR_SUBJECT);
        }

        CRandom plan(options.m_seed);
        ULONG wantDuplicates = static_cast<ULONG>(std::llround(options.m_duplicates * options.m_count));
        if (options.m_count > 0 && wantDuplicates >= options.m_count) {
            wantDuplicates = options.m_count - 1;  // the first item has nothing to copy
        }
        ULONG leftDuplicates = wantDuplicates;
        // The item whose values each item carries: itself, or for a duplicate the original that
        // the copied item carries (so a copy of a copy is still equal to its original).
        std::vector<ULONG> origin(options.m_count);
        constexpr ULONG kBatch = 5000;  // items per transaction: fast, with bounded journal size
        bool inBatch = false;
        for (ULONG i = 0; i < options.m_count; ++i) {
            if (!inBatch) {
                Check(HrBeginStoreBatch(store), "Starting a batch");
                inBatch = true;
            }
            // Exactly wantDuplicates of the items after the first copy an earlier one.
            ULONG slotsLeft = options.m_count - i;
            bool duplicate = i > 0 && leftDuplicates > 0 && plan.Below(slotsLeft) < leftDuplicates;
            ULONG source = i;
            if (duplicate) {
                --leftDuplicates;
                source = origin[plan.Below(i)];
                ++result.m_duplicates;
            }
            origin[i] = source;
            ULONGLONG sourceSeed = ItemSeed(options.m_seed, source);
            CRandom own(ItemSeed(options.m_seed, i) ^ 0x5DEECE66Dull);
            LPMAPIFOLDER folder = folders[own.Below(static_cast<ULONG>(folders.size()))];

            LPSPropValue values = nullptr;
            Check(MAPIAllocateBuffer(static_cast<ULONG>((tags.size() + 4) * sizeof(SPropValue)),
                                     reinterpret_cast<LPVOID*>(&values)),
                  "MAPIAllocateBuffer");
            ULONG n = 0;
            bool ok = true;
            for (size_t p = 0; p < tags.size() && ok; ++p) {
                ok = SampleToValue(MakeSample(type.m_properties[p].m_sample, sourceSeed, p), tags[p], values,
                                   values[n]);
                if (values[n].ulPropTag != PR_NULL) {
                    ++n;
                }
            }
            values[n].ulPropTag = PR_MESSAGE_CLASS_A;
            values[n++].Value.lpszA = const_cast<char*>(type.m_messageClass.c_str());
            if (!hasSubject) {
                CSample subject = MakeSample(type.m_type == 1 ? "fullName" : "subject", sourceSeed, 1000);
                ok = ok && SampleToValue(subject, PR_SUBJECT_A, values, values[n++]);
            }
            // Fixed times keep the store's contents a function of the seed alone.
            CSample modified = MakeSample("dateTime", ItemSeed(options.m_seed, i), 2000);
            ok = ok && SampleToValue(modified, PR_LAST_MODIFICATION_TIME, values, values[n++]);
            ok = ok && SampleToValue(modified, PR_CREATION_TIME, values, values[n++]);
            LPMESSAGE message = nullptr;
            HRESULT hr = ok ? folder->CreateMessage(nullptr, 0, &message) : MAPI_E_NOT_ENOUGH_MEMORY;
            if (SUCCEEDED(hr)) {
                hr = message->SetProps(n, values, nullptr);
            }
            if (SUCCEEDED(hr)) {
                hr = message->SaveChanges(0);
            }
            if (message != nullptr) {
                message->Release();
            }
            MAPIFreeBuffer(values);
            if (FAILED(hr)) {
                HrEndStoreBatch(store, FALSE);
                inBatch = false;
                Check(hr, "Saving item " + std::to_string(i + 1));
            }
            ++result.m_items;
            if ((i + 1) % kBatch == 0) {
                Check(HrEndStoreBatch(store, TRUE), "Committing a batch");
                inBatch = false;
            }
        }
        if (inBatch) {
            Check(HrEndStoreBatch(store, TRUE), "Committing a batch");
        }
    } catch (...) {
        release();
        throw;
    }
    release();
    return result;
}

}  // namespace qrvstore
