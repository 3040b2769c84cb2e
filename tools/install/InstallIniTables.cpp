// The INI part of the install: the property tables that are looked up by bare file name.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/win32/AtomicFile.h"
#include "platform/win32/MachineRoot.h"
#include "tools/install/Install.h"

namespace {

// The property model reads these two by bare name, which means the Windows directory; the
// build makes them beside the program from the property catalog. Defaults.ini stays there.
const char* const INI_TABLES[] = {"KeyTable.ini", "Exclusion.ini"};

}  // namespace

HRESULT InstallIniTables(const InstallContext& context, std::string& error) {
    const std::string strWindows = GetWindowsDirectoryPath();
    if (!EnsureDirectory(strWindows)) {
        error = "cannot create " + DescribeWriteFailure(strWindows + "/" + INI_TABLES[0], 0);
        return E_FAIL;
    }
    for (const char* pszName : INI_TABLES) {
        std::string strContent;
        const std::string strSource = context.programDirectory + pszName;
        // A directory without the tables (one that holds only language files) installs none;
        // the program then shows properties without names, as with missing entries.
        if (access(strSource.c_str(), F_OK) != 0)
            continue;
        if (!qrvfile::ReadWholeFile(strSource, strContent)) {
            error = "cannot read " + strSource + ": " + std::strerror(errno);
            return E_FAIL;
        }
        const std::string strTarget = strWindows + "/" + pszName;
        if (!qrvfile::WriteFileAtomically(strTarget, strContent)) {
            error = "cannot write " + DescribeWriteFailure(strTarget, 0);
            return E_FAIL;
        }
    }
    return S_OK;
}
