#pragma once
// MD5 for the simulator's Digest authentication check (RFC 1321).
#include <string>

namespace camsim {

// The lower-case hex MD5 of the bytes.
std::string Md5Hex(const std::string& data);

}  // namespace camsim
