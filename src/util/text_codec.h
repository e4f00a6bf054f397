// Encoders and decoders of the service protocol.
#pragma once

#include "util/text.h"

namespace quarrow::util {

// Percent-encoding: with keep_unreserved, "-", ".", digits and ASCII letters stay;
// every other byte becomes %XX. With utf8, the UTF-8 bytes of the text are encoded.
Text url_encode(const Text& text, bool keep_unreserved = true, bool utf8 = true);

// Decodes the escapes of a service answer ("\u4e2d", "\/", %uXXXX), keeping its
// CR LF line breaks and apostrophes.
Text unicode_unescape(const Text& text);

// ECMAScript escape() of the text (apostrophes pass through), with optional
// restoration of brackets and punctuation and a replacement for "%u".
Text js_escape(const Text& text, bool restore_brackets = false, bool restore_punctuation = false,
               const Text& u_replacement = "");

// HTML character references decoded ("A&amp;B" is A&B); unknown ones stay.
Text html_unescape(const Text& text);

}  // namespace quarrow::util
