// Generated file content for tests: bytes a test can recompute from the offset.
//   dense:  byte i = (i*131 + (i>>8)*17 + (i>>16)*29 + (i>>24)*7 + (i>>32)*3) mod 256
//   sparse: zero bytes, except that at every multiple k of 1 MiB the 16 bytes
//           are the offset k in 16 lower-case hex digits (cut at the end of the
//           file); the file is sparse on disk, so sizes of several GiB are cheap.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qs {

enum class Pattern { dense, sparse };

bool write_generated(const std::string& path, uint64_t size, Pattern pattern, std::string* error);
bool write_bytes(const std::string& path, std::string_view bytes, std::string* error);

}  // namespace qs
