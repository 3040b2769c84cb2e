// Helpers of the property-model tests: archives in memory, byte strings, trace capture, languages.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/afx/CObject.h"
#include "platform/win32/WinTypes.h"
#include "tests/support/TempRoot.h"
#include "tests/support/TraceCapture.h"

namespace proptest {

typedef std::vector<BYTE> Bytes;

// The outcome of a load: "ok", "notsupported", "memory" or "archive:<cause>".
std::string Outcome(const std::function<void()>& load);
// The tag of a class new to the stream (schema 1) with its name.
Bytes NewClass(const std::string& name);

// "FF FF 01 00" and "CPropTypeList" spelled as bytes, joined: Hex("0D 00") + Ascii("CStdPropList").
Bytes Hex(const std::string& text);
Bytes Ascii(const std::string& text);
Bytes operator+(Bytes a, const Bytes& b);
std::string ToHex(const Bytes& bytes);

// The stream of one record reference written by a storing archive.
Bytes StoreObject(const CObject* pObject);
// Reads one record reference requiring pClass; the archive's failures pass through.
CObject* LoadObject(const Bytes& bytes, const CRuntimeClass* pClass);
// Calls a record's Serialize on a loading archive over the bytes (without a record reference).
void SerializeFrom(CObject& object, const Bytes& bytes);
// The bytes a record's Serialize writes (without a record reference).
Bytes SerializeTo(CObject& object);

// Collects every trace line written while it lives, at the given trace level.
using qrvtest::TraceCapture;

// Loads one language (tab-separated "id<TAB>text" lines) from a file below the root and makes it
// current. The module is process-wide: callers pick ids no other test uses and close it after.
void LoadTestLanguage(const qrvtest::TempRoot& root, LONG lLanguageID, const std::vector<std::string>& lines);
void CloseTestLanguage();

}  // namespace proptest
