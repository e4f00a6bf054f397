#pragma once

#include <optional>
#include <string>

namespace quarrow::util {

// The body of a single-quoted ECMAScript string literal with its escapes decoded;
// nullopt when the text is not a valid body (an apostrophe, a line break, a lone
// final backslash).
std::optional<std::u16string> decode_js_literal_body(std::u16string_view body);
// The same decoding, but an apostrophe, a line break or a lone final backslash
// stays as the character it is.
std::u16string decode_js_literal_body_leniently(std::u16string_view body);

// Value of `count` hex digits at s[i], or -1.
int hex_at(std::u16string_view s, size_t i, int count);

}  // namespace quarrow::util
