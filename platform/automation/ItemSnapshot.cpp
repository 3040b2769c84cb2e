// Reading an item's properties and writing each value as one line of text.
#include "platform/automation/ItemSnapshot.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "platform/automation/ClassRegistry.h"
#include "platform/automation/HexKey.h"
#include "platform/mapi/MAPIX.h"
#include "platform/win32/CodePage.h"

namespace {

// Binary values beyond this many bytes are cut: the viewer shows a line, not a dump.
constexpr ULONG MAX_BINARY_SHOWN = 64;
// FILETIME ticks (100 ns since 1601) at the Unix epoch.
constexpr LONGLONG FILETIME_UNIX_EPOCH = 116444736000000000LL;

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    }
    return text;
}

std::string Hex32(ULONG value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08" PRIX32, value);
    return text;
}

std::string FormatBinary(const SBinary& bin) {
    const ULONG cbShown = std::min(bin.cb, MAX_BINARY_SHOWN);
    std::string text =
        bin.lpb != nullptr ? BytesToHex(std::string(reinterpret_cast<const char*>(bin.lpb), cbShown)) : "";
    if (bin.cb > cbShown)
        text += "... (" + std::to_string(bin.cb) + " bytes)";
    return text;
}

std::string FormatTime(const FILETIME& ft) {
    const LONGLONG ticks = (LONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const time_t seconds = static_cast<time_t>((ticks - FILETIME_UNIX_EPOCH) / 10000000LL);
    struct tm parts {};
    if (gmtime_r(&seconds, &parts) == nullptr)
        return std::to_string(ticks);
    char text[40];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string FormatDouble(double value) {
    char text[40];
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}

std::string Wide(const WCHAR* text) {
    return text != nullptr ? Utf16ToUtf8(text) : "";
}

std::string Narrow(const char* text) {
    return text != nullptr ? text : "";
}

template <class T, class F>
std::string JoinValues(ULONG cValues, const T* values, F format) {
    std::string text;
    for (ULONG i = 0; values != nullptr && i < cValues; ++i) {
        if (i > 0)
            text += "; ";
        text += format(values[i]);
    }
    return text;
}

std::string DescribeName(ULONG ulTag, const MAPINAMEID* pName) {
    std::string text = Hex32(ulTag);
    if (pName == nullptr || pName->lpguid == nullptr)
        return text;
    text += " " + GuidToString(*pName->lpguid);
    if (pName->ulKind == MNID_ID) {
        char id[16];
        std::snprintf(id, sizeof(id), " 0x%04" PRIX32, static_cast<uint32_t>(pName->Kind.lID));
        text += id;
    } else if (pName->ulKind == MNID_STRING) {
        text += " \"" + Wide(pName->Kind.lpwstrName) + "\"";
    }
    return text;
}

// Gives the named properties (ids from 0x8000) their names; the others keep their tags.
void NameProperties(IMAPIProp* pMessage, std::vector<CItemProperty>& properties) {
    std::vector<ULONG> named;
    for (const CItemProperty& property : properties) {
        if (PROP_ID(property.ulTag) >= 0x8000)
            named.push_back(property.ulTag);
    }
    if (named.empty())
        return;
    LPSPropTagArray lpTags = nullptr;
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(CbNewSPropTagArray(named.size())),
                                  reinterpret_cast<LPVOID*>(&lpTags))))
        return;
    lpTags->cValues = static_cast<ULONG>(named.size());
    std::copy(named.begin(), named.end(), lpTags->aulPropTag);
    ULONG cNames = 0;
    LPMAPINAMEID* lppNames = nullptr;
    LPSPropTagArray lpAsked = lpTags;
    if (SUCCEEDED(pMessage->GetNamesFromIDs(&lpAsked, nullptr, 0, &cNames, &lppNames)) &&
        lppNames != nullptr) {
        for (ULONG i = 0; i < cNames && i < named.size(); ++i) {
            for (CItemProperty& property : properties) {
                if (property.ulTag == named[i])
                    property.name = DescribeName(named[i], lppNames[i]);
            }
        }
    }
    MAPIFreeBuffer(lppNames);
    if (lpAsked != lpTags)
        MAPIFreeBuffer(lpAsked);
    MAPIFreeBuffer(lpTags);
}

}  // namespace

std::string PropTypeName(ULONG ulType) {
    static const struct {
        ULONG ulType;
        const char* pszName;
    } names[] = {
        {PT_NULL, "PT_NULL"},       {PT_I2, "PT_I2"},           {PT_LONG, "PT_LONG"},
        {PT_R4, "PT_R4"},           {PT_DOUBLE, "PT_DOUBLE"},   {PT_CURRENCY, "PT_CURRENCY"},
        {PT_APPTIME, "PT_APPTIME"}, {PT_ERROR, "PT_ERROR"},     {PT_BOOLEAN, "PT_BOOLEAN"},
        {PT_OBJECT, "PT_OBJECT"},   {PT_I8, "PT_I8"},           {PT_STRING8, "PT_STRING8"},
        {PT_UNICODE, "PT_UNICODE"}, {PT_SYSTIME, "PT_SYSTIME"}, {PT_CLSID, "PT_CLSID"},
        {PT_BINARY, "PT_BINARY"},
    };
    const ULONG ulBase = ulType & ~ULONG(MV_FLAG);
    for (const auto& entry : names) {
        if (entry.ulType == ulBase) {
            std::string name = entry.pszName;
            if ((ulType & MV_FLAG) != 0)
                name.insert(3, "MV_");
            return name;
        }
    }
    return Hex32(ulType);
}

std::string FormatPropValue(const SPropValue& value) {
    const _PV& v = value.Value;
    switch (PROP_TYPE(value.ulPropTag)) {
        case PT_I2:
            return std::to_string(v.i);
        case PT_LONG:
            return std::to_string(v.l);
        case PT_R4:
            return FormatDouble(v.flt);
        case PT_DOUBLE:
        case PT_APPTIME:
            return FormatDouble(v.dbl);
        case PT_CURRENCY:
            return FormatDouble(double(v.cur.int64) / 10000.0);
        case PT_BOOLEAN:
            return v.b != 0 ? "true" : "false";
        case PT_I8:
            return std::to_string(v.li.QuadPart);
        case PT_SYSTIME:
            return FormatTime(v.ft);
        case PT_STRING8:
            return OneLine(Narrow(v.lpszA));
        case PT_UNICODE:
            return OneLine(Wide(v.lpszW));
        case PT_BINARY:
            return FormatBinary(v.bin);
        case PT_CLSID:
            return v.lpguid != nullptr ? GuidToString(*v.lpguid) : "";
        case PT_ERROR:
            return "error " + Hex32(static_cast<ULONG>(v.err));
        case PT_MV_I2:
            return JoinValues(v.MVi.cValues, v.MVi.lpi, [](SHORT x) { return std::to_string(x); });
        case PT_MV_LONG:
            return JoinValues(v.MVl.cValues, v.MVl.lpl, [](LONG x) { return std::to_string(x); });
        case PT_MV_DOUBLE:
            return JoinValues(v.MVdbl.cValues, v.MVdbl.lpdbl, FormatDouble);
        case PT_MV_SYSTIME:
            return JoinValues(v.MVft.cValues, v.MVft.lpft, FormatTime);
        case PT_MV_I8:
            return JoinValues(v.MVli.cValues, v.MVli.lpli,
                              [](const LARGE_INTEGER& x) { return std::to_string(x.QuadPart); });
        case PT_MV_STRING8:
            return OneLine(JoinValues(v.MVszA.cValues, v.MVszA.lppszA, Narrow));
        case PT_MV_UNICODE:
            return OneLine(JoinValues(v.MVszW.cValues, v.MVszW.lppszW, Wide));
        case PT_MV_BINARY:
            return JoinValues(v.MVbin.cValues, v.MVbin.lpbin, FormatBinary);
        case PT_MV_CLSID:
            return JoinValues(v.MVguid.cValues, v.MVguid.lpguid,
                              [](const GUID& g) { return GuidToString(g); });
        default:
            return "";
    }
}

HRESULT ReadItemSnapshot(IMAPIProp* pMessage, CItemSnapshot& snapshot) {
    snapshot = CItemSnapshot{};
    if (pMessage == nullptr)
        return E_INVALIDARG;
    ULONG cValues = 0;
    LPSPropValue lpProps = nullptr;
    HRESULT hr = pMessage->GetProps(nullptr, 0, &cValues, &lpProps);
    if (FAILED(hr))
        return hr;
    for (ULONG i = 0; i < cValues; ++i) {
        const SPropValue& value = lpProps[i];
        const ULONG ulTag = value.ulPropTag;
        switch (ulTag) {
            case PR_MESSAGE_CLASS_W:
                snapshot.messageClass = Wide(value.Value.lpszW);
                break;
            case PR_MESSAGE_CLASS_A:
                snapshot.messageClass = Narrow(value.Value.lpszA);
                break;
            case PR_SUBJECT_W:
                snapshot.subject = Wide(value.Value.lpszW);
                break;
            case PR_SUBJECT_A:
                snapshot.subject = Narrow(value.Value.lpszA);
                break;
            case PR_ENTRYID:
                if (value.Value.bin.lpb != nullptr)
                    snapshot.entryIdHex = BytesToHex(
                        std::string(reinterpret_cast<const char*>(value.Value.bin.lpb), value.Value.bin.cb));
                break;
            default:
                break;
        }
        CItemProperty property;
        property.ulTag = ulTag;
        property.name = Hex32(ulTag);
        property.type = PropTypeName(PROP_TYPE(ulTag));
        property.value = FormatPropValue(value);
        snapshot.properties.push_back(std::move(property));
    }
    MAPIFreeBuffer(lpProps);
    std::sort(snapshot.properties.begin(), snapshot.properties.end(),
              [](const CItemProperty& a, const CItemProperty& b) { return a.ulTag < b.ulTag; });
    NameProperties(pMessage, snapshot.properties);
    return S_OK;
}
