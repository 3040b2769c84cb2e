// Helpers of the property-model tests.
#include "tests/model/PropTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "language/LanguageSettings.h"
#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CMemFile.h"
#include "tests/support/LanguageSetup.h"

namespace proptest {

Bytes Hex(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        bytes.push_back((BYTE)std::stoul(token, nullptr, 16));
    }
    return bytes;
}

std::string Outcome(const std::function<void()>& load) {
    try {
        load();
    } catch (CNotSupportedException* e) {
        e->Delete();
        return "notsupported";
    } catch (CMemoryException* e) {
        e->Delete();
        return "memory";
    } catch (CArchiveException* e) {
        std::string s = "archive:" + std::to_string(e->m_cause);
        e->Delete();
        return s;
    }
    return "ok";
}

Bytes NewClass(const std::string& name) {
    Bytes b = Hex("FF FF 01 00");
    b.push_back((BYTE)name.size());
    b.push_back(0);
    return b + Ascii(name);
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

void LoadTestLanguage(const qrvtest::TempRoot& root, LONG lLanguageID,
                      const std::vector<std::string>& lines) {
    root.WriteFile("lang/test.lng", qrvtest::LanguageFileText(lLanguageID, lines));
    qrvtest::SetLanguageDirectory(root.Path() + "/lang");
    qrvtest::SetLanguageName(2057, lLanguageID, "Test language");
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
const qrvtest::QuietTrace s_quietTrace;

}  // namespace

}  // namespace proptest
