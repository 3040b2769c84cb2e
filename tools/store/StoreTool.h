// The store administration tool ("qrvstore"): every command, callable in-process for tests.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qrvstore {

// Runs one command line (without the program name). Returns the exit code: 0 success, 1 a failed
// operation, 2 a usage error. Normal output goes to 'out', errors to 'err'.
int RunStoreTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The --help text.
std::string HelpText();

}  // namespace qrvstore
