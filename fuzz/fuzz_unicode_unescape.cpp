#include <cstddef>
#include <cstdint>
#include <string>

#include "util/text_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  quarrow::util::unicode_unescape(input);
  quarrow::util::js_escape(input, true, true, "\\u");
  return 0;
}
