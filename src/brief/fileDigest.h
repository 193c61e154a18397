// The SHA-256 of a file's bytes, so that the crew can check that the file on the vehicle
// is the one the brief describes (sha256sum on Linux, certutil on Windows).
#pragma once

#include <string>
#include <string_view>

// The digest of `bytes` as 64 lower-case hexadecimal digits.
std::string sha256Hex(std::string_view bytes);
