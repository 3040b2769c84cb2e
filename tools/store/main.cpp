// qrvstore: administration of the message-store service's profiles and store files.
#include <iostream>

#include "tools/store/StoreTool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return qrvstore::RunStoreTool(args, std::cout, std::cerr);
}
