// The debugger output: standard error, plus a sink that tests can capture.
#pragma once

#include <functional>

#include "platform/win32/WinTypes.h"

// Writes the text as it stands (no line feed added) to standard error, unless echo is off, and
// hands it to the sink, if one is installed.
void OutputDebugStringA(LPCSTR text);
#define OutputDebugString OutputDebugStringA

using DebugOutputSink = std::function<void(const char* text)>;
// Installs a sink (an empty function removes it); returns the previous one.
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);
// Turns the standard-error copy on or off; returns the previous setting. On by default.
bool SetDebugOutputEcho(bool echo);
