// Binary keys written as hex text (two digits per byte, in byte order), as automation passes them.
#pragma once

#include <string>

// Upper-case hex of the bytes.
std::string BytesToHex(const std::string& bytes);
// Reads hex of either case; false for an odd length or a character that is not a hex digit.
bool HexToBytes(const std::string& hex, std::string& bytes);
