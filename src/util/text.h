// Text: the client's string type, a byte string in GB18030 (identical to GBK for
// every GBK character, and able to hold every Unicode character).
#pragma once

#include <string>
#include <string_view>

namespace quarrow {

using Text = std::string;

// A Text from a UTF-8 literal in the source: "退出"_t.
Text operator""_t(const char* utf8, std::size_t size);

}  // namespace quarrow
