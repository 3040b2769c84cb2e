// The install step: writes under the machine root what an installer would put on a machine.
#pragma once

#include <string>

#include "platform/win32/WinTypes.h"

// What every step of the install needs to know.
struct InstallContext {
    // The directory that holds the program and its data files (language files, Defaults.ini, the
    // .qrvv files), with a trailing '/'.
    std::string programDirectory;
};

// One step of the install. On failure it returns a failure code and describes the problem in
// error (one line, no line feed) for the person running the install.
typedef HRESULT (*PFN_INSTALL_STEP)(const InstallContext& context, std::string& error);

// The language services: "LangDir" under HKLM "Software\Ostrany\Quorvel" names the program
// directory, and "Software\Ostrany\Languages\<display id>" holds, for each language id, its name
// in that display language. Fails when the directory holds no language file.
HRESULT InstallLanguages(const InstallContext& context, std::string& error);

// The property tables "KeyTable.ini" and "Exclusion.ini", made beside the program by the build,
// copied into the Windows directory of the machine root, where they are looked up by bare name.
// A program directory without them installs none.
HRESULT InstallIniTables(const InstallContext& context, std::string& error);

// The mail client's automation class ("Outlook.Application") under HKEY_CLASSES_ROOT, so that
// opening an item finds it by its ProgID.
HRESULT InstallAutomationClasses(const InstallContext& context, std::string& error);

// Why a file of the machine root cannot be written, for an error message: "<path>: <reason>",
// found by trying to make its folder and a file beside it. status is the failed call's Win32 code.
std::string DescribeWriteFailure(const std::string& path, LONG status);
// The same for a hive ("HKEY_LOCAL_MACHINE") of the registry.
std::string DescribeRegistryWriteFailure(const char* pszHive, LONG status);

// Runs every step in order and stops at the first failure, naming the step in error. An empty
// programDirectory means the directory of the running program.
HRESULT RunInstall(const std::string& programDirectory, std::string& error);
