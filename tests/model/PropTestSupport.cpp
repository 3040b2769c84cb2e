// Helpers of the property-model tests.
#include "tests/model/PropTestSupport.h"

#include <cstdio>
#include <cstdlib>

#include "language/LanguageSettings.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CMemFile.h"
#include "platform/win32/DebugOutput.h"
#include "platform/win32/Registry.h"
#include "trace/Trace.h"

namespace proptest {

Bytes Hex(const std::string& text) {
    Bytes bytes;
    unsigned value = 0;
    int digits = 0;
    for (char c : text) {
        int nibble = -1;
        if (c >= '0' && c <= '9') {
            nibble = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            nibble = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            nibble = c - 'a' + 10;
        }
        if (nibble < 0) {
            continue;
        }
        value = value * 16 + (unsigned)nibble;
        if (++digits == 2) {
            bytes.push_back((BYTE)value);
            value = 0;
            digits = 0;
        }
    }
    return bytes;
}

Bytes Ascii(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string ToHex(const Bytes& bytes) {
    std::string text;
    char buf[4];
    for (BYTE b : bytes) {
        std::snprintf(buf, sizeof(buf), "%02X ", b);
        text += buf;
    }
    return text;
}

namespace {

Bytes Contents(CMemFile& file) {
    const BYTE* p = file.GetBufferPtr();
    return p != nullptr ? Bytes(p, p + file.GetLength()) : Bytes();
}

}  // namespace

Bytes StoreObject(const CObject* pObject) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(pObject);
    ar.Close();
    return Contents(file);
}

Bytes SerializeTo(CObject& object) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    object.Serialize(ar);
    ar.Close();
    return Contents(file);
}

CObject* LoadObject(const Bytes& bytes, const CRuntimeClass* pClass) {
    Bytes copy = bytes;
    CMemFile file(copy.data(), (UINT)copy.size());
    CArchive ar(&file, CArchive::load);
    return ar.ReadObject(pClass);
}

void SerializeFrom(CObject& object, const Bytes& bytes) {
    Bytes copy = bytes;
    CMemFile file(copy.data(), (UINT)copy.size());
    CArchive ar(&file, CArchive::load);
    object.Serialize(ar);
}

TraceCapture::TraceCapture(LONG level) {
    m_previousLevel = SetTraceLevel(level);
    m_previousEcho = SetDebugOutputEcho(false);
    SetDebugOutputSink([this](const char* text) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_text += text;
    });
}

TraceCapture::~TraceCapture() {
    SetDebugOutputSink({});
    SetDebugOutputEcho(m_previousEcho);
    SetTraceLevel(m_previousLevel);
}

std::string TraceCapture::Text() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_text;
}

bool TraceCapture::Contains(const std::string& piece) const {
    return Text().find(piece) != std::string::npos;
}

namespace {

void WriteMachineValue(const std::string& key, const std::string& value, const std::string& data) {
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS) {
        std::abort();
    }
    RegSetValueExA(hKey, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   (DWORD)data.size() + 1);
    RegCloseKey(hKey);
}

}  // namespace

void LoadTestLanguage(const qrvtest::TempRoot& root, LONG lLanguageID,
                      const std::vector<std::string>& lines) {
    std::string text = "; L_VER:0\n; L_ID:" + std::to_string(lLanguageID) + "\n";
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    root.WriteFile("lang/test.lng", text);
    WriteMachineValue("Software\\Ostrany\\Quorvel", "LangDir", root.Path() + "/lang");
    WriteMachineValue("Software\\Ostrany\\Languages\\2057", std::to_string(lLanguageID), "Test language");
    CloseLanguageModule();
    InitLanguageModule();
    LoadLanguages(lLanguageID);
    SetDefaultLanguageID(lLanguageID);
}

void CloseTestLanguage() {
    CloseLanguageModule();
}

namespace {

// Every function traces; the tests keep the output quiet and look at it through TraceCapture.
struct QuietTrace {
    QuietTrace() {
        SetTraceLevel(TRACE_ERROR);
        SetDebugOutputEcho(false);
    }
} s_quietTrace;

}  // namespace

}  // namespace proptest
