// Scrambling of the saved password and cookie (not encryption: it keeps them
// from being read at a glance, and tells a value written by us from any other).
#pragma once

#include "util/text.h"

namespace quarrow::shell {

// Two upper-case hex digits per masked byte, then the 9-character check tail.
Text scramble_text(const Text& text);
// The scrambled Text, or "" when the check tail does not match.
Text unscramble_text(const Text& stored);
// The constant check tail.
Text scramble_check_tail();

}  // namespace quarrow::shell
