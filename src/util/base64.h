#pragma once

#include <string>
#include <string_view>

namespace quarrow::util {

// Standard Base64 with "=" padding and no line breaks; "" for no bytes.
std::string base64_encode(std::string_view bytes);
// Tolerant decoder: spaces and CR LF pairs are skipped, a short last group is
// filled with "A", decoding of a group stops at its first character outside the
// alphabet. For any value from base64_encode this is plain Base64 decoding.
std::string base64_decode(std::string_view text);

}  // namespace quarrow::util
