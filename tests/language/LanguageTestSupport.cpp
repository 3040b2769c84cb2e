// Helpers of the language tests: language files in a temporary root, registry entries, trace capture.
#include "tests/language/LanguageTestSupport.h"

#include <cstdlib>

#include "platform/win32/DebugOutput.h"
#include "platform/win32/Registry.h"
#include "trace/Trace.h"

namespace qrvtest {

std::string LanguageFileText(LONG lLanguageID, const std::vector<std::string>& body) {
    std::string text = "; L_VER:0\n; L_ID:" + std::to_string(lLanguageID) + "\n";
    for (const std::string& line : body)
        text += line + "\n";
    return text;
}

namespace {

void WriteValue(const std::string& key, const std::string& value, const std::string& data) {
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS)
        std::abort();
    RegSetValueExA(hKey, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
    RegCloseKey(hKey);
}

}  // namespace

void SetLanguageDirectory(const std::string& directory) {
    WriteValue("Software\\Ostrany\\Quorvel", "LangDir", directory);
}

void SetLanguageName(LONG lDisplay, LONG lLanguageID, const std::string& name) {
    WriteValue("Software\\Ostrany\\Languages\\" + std::to_string(lDisplay), std::to_string(lLanguageID),
               name);
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

HeapText::~HeapText() {
    std::free(psz);
}

}  // namespace qrvtest

namespace {

// The language classes trace every call; tests keep the output quiet and look at it through
// TraceCapture where it matters.
struct QuietTrace {
    QuietTrace() {
        SetTraceLevel(TRACE_ERROR);
        SetDebugOutputEcho(false);
    }
} s_quietTrace;

}  // namespace
