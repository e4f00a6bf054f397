// Conversions between Text (GB18030) and UTF-8, the encoding of Qt, the file
// system and the service. Malformed input never throws: what cannot be decoded
// becomes "?".
#pragma once

#include <string>
#include <string_view>

#include "util/text.h"

namespace quarrow::util {

// The bytes read as UTF-8 and re-encoded as a Text; cut at the first NUL.
Text utf8_to_gbk(std::string_view utf8);
// The UTF-8 bytes of a Text.
std::string gbk_to_utf8(std::string_view text);

// Same conversions without the NUL cut, for code that needs every byte.
Text utf8_to_gbk_whole(std::string_view utf8);

// UTF-16 forms, for the functions that follow ECMAScript string semantics.
std::u16string gbk_to_utf16(std::string_view text);
Text utf16_to_gbk(std::u16string_view text);

// A local path in the file system's encoding.
inline std::string local_path(std::string_view text) { return gbk_to_utf8(text); }
inline Text from_local_path(std::string_view path) { return utf8_to_gbk_whole(path); }

}  // namespace quarrow::util
