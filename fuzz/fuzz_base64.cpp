#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "util/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  quarrow::util::base64_decode(input);
  // Whatever the bytes, encoding then decoding gives them back.
  if (quarrow::util::base64_decode(quarrow::util::base64_encode(input)) != input) std::abort();
  return 0;
}
