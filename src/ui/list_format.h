// The saved form of the download lists: one line per row, cells joined by "|",
// every line ending in CR LF, the whole in Base64. A row with a cell that holds
// "|", CR, LF or ESC is written escaped: it starts with ESC, and in its cells
// ESC, "|", CR and LF become ESC + "e", "p", "r", "n". Rows without such cells
// keep the plain form byte for byte, and a plain row never starts with ESC.
#pragma once

#include <vector>

#include "util/text.h"

namespace quarrow::ui {

using ListRows = std::vector<std::vector<Text>>;

Text list_text(const ListRows& rows);
ListRows parse_list_text(const Text& text);

// Base64 of the list text, and back (tolerant decoding; the text ends at a NUL).
Text encode_list(const ListRows& rows);
ListRows decode_list(const Text& stored);

}  // namespace quarrow::ui
