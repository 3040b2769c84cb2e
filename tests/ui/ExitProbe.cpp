// A program that starts and ends exactly as the real one does (the application object is a static,
// the framework runs it, static objects go after main), except that it asks to close as soon as
// its main window stands. The shut-down test runs it and reads what it wrote.
#include <cstdio>

#include "platform/win32/KernelObject.h"
#include "ui/MainFrm.h"
#include "ui/Quorvel.h"

namespace {

class CExitProbeApp : public CQuorvelApp {
public:
    BOOL InitInstance() override {
        if (!CQuorvelApp::InitInstance())
            return FALSE;
        m_pMainWnd->PostMessage(WM_CLOSE);
        return TRUE;
    }
    int ExitInstance() override {
        std::fprintf(stderr, "exit-probe: shut-down starts\n");
        return CQuorvelApp::ExitInstance();
    }
};

CExitProbeApp theApp;

}  // namespace

int main(int argc, char** argv) {
    int nResult = AfxWinMain(argc, argv);
    // Everything the program opened must be closed by now: what is left open here is closed by
    // nobody, since the objects that could still do it are statics that may already be gone.
    std::fprintf(stderr, "exit-probe: %zu handles open\n", qrvkernel::OpenHandleCount());
    return nResult;
}
