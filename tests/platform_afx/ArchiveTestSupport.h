// Helpers for archive tests: hex byte strings, in-memory archives, expected exceptions.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/afx/CArchive.h"
#include "platform/afx/CException.h"
#include "platform/afx/CMemFile.h"

namespace afxtest {

typedef std::vector<BYTE> Bytes;

// "FF 01 'abc' 00": hex bytes, and quoted ASCII runs for names.
Bytes Hex(const std::string& text);
std::string ToHex(const Bytes& bytes);
Bytes Concat(std::initializer_list<Bytes> parts);

// Runs fn with a storing archive over a memory file and returns every byte it wrote.
Bytes Store(const std::function<void(CArchive&)>& fn, int nBufSize = 4096);

// Runs fn with a loading archive over a private copy of bytes (the copy ends where the bytes
// end, so ASan catches any read past it).
void Load(const Bytes& bytes, const std::function<void(CArchive&)>& fn, int nBufSize = 4096);

// The cause of the CArchiveException that fn raises; -1 for any other outcome (another
// exception, or none). The exception is deleted.
int ArchiveCause(const std::function<void()>& fn);

// Runs fn and reports which framework exception (by class) it raised; null when none.
const CRuntimeClass* RaisedClass(const std::function<void()>& fn);

}  // namespace afxtest
