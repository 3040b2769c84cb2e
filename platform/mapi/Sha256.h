// SHA-256, used to keep salted password hashes of profiles and stores instead of the passwords.
#pragma once

#include <string>

namespace qrvmapi {

// The 32-byte digest of the bytes.
std::string Sha256(const std::string& data);

// The stored form of a password: the digest of salt and password together.
std::string HashPassword(const std::string& salt, const std::string& password);

// Sixteen random bytes: salts, store ids, service and provider keys.
std::string NewUid();

}  // namespace qrvmapi
