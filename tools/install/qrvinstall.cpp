// qrvinstall: writes under the machine root what an installer would (registry, Windows directory).
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win32/MachineRoot.h"
#include "tools/install/Install.h"

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
        std::fprintf(stderr,
                     "usage: qrvinstall [program-directory]\n"
                     "Installs Quorvel for the machine root $QUORVEL_ROOT (default: the data directory).\n"
                     "The program directory defaults to the directory of qrvinstall.\n");
        return argc == 2 ? 0 : 2;
    }
    std::string error;
    HRESULT hr = RunInstall(argc == 2 ? argv[1] : "", error);
    if (FAILED(hr)) {
        std::fprintf(stderr, "qrvinstall: %s\n", error.c_str());
        return 1;
    }
    std::printf("Quorvel installed for machine root %s\n", GetMachineRoot().c_str());
    return 0;
}
