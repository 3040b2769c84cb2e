// The program: the one application object and the start of the window framework.
#include "ui/Quorvel.h"

CQuorvelApp theApp;

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
