#pragma once

#include <string>
#include <string_view>

namespace quarrow::util {

// MD5 as 32 lower-case hexadecimal digits; "" when the digest cannot be computed.
std::string md5_hex(std::string_view bytes);

}  // namespace quarrow::util
