// Marker search over Texts. Positions are 1-based byte positions; every search
// walks character by character, so a marker never matches at the trail byte of
// a double-byte character.
#pragma once

#include <functional>
#include <vector>

#include "util/text.h"

namespace quarrow::util {

inline constexpr size_t npos = static_cast<size_t>(-1);

// 0-based offset of the first marker found at a character boundary at or after
// `from` (0-based), or npos. An empty marker matches at `from` when the range is not empty.
size_t find_marker(std::string_view text, std::string_view marker, size_t from = 0, bool ignore_case = false);
bool contains(std::string_view text, std::string_view marker, bool ignore_case = false);

// The text between the first left marker (from `start`) and the next right
// marker after it; "#引号" in either marker stands for a double quote.
Text text_between(const Text& text, Text left, Text right, int start = 1, bool ignore_case = false);
// The text left of the first marker; "" when it is missing.
Text text_before(const Text& text, const Text& marker, int start = 1, bool ignore_case = false);
// The text right of the last marker that ends within the first (last - 1)
// bytes (last <= 0: the whole text); "" when there is none.
Text text_after_last(const Text& text, const Text& marker, int last = 0, bool ignore_case = false);

struct AllBetweenOptions {
  bool ignore_case = false;
  size_t max_length = 0;  // 0: no limit; otherwise pieces must be shorter
  Text prefix;
  Text suffix;
  bool keep_left = false;
  bool keep_right = false;
  int start = 1;
  std::function<void()> pump;  // lets pending UI events run after every piece
};
// Every piece between a left and the next right marker; the next search starts
// just after the previous left marker. Returns the number of pieces.
int all_between(const Text& text, const Text& left, const Text& right, std::vector<Text>& out,
                const AllBetweenOptions& options = {});

// Every occurrence replaced, left to right, without overlap.
Text replace_all(std::string_view text, std::string_view from, std::string_view to);
// Removes ASCII spaces and full-width spaces (A1 A1) at both ends.
Text trim(std::string_view text);
// Removes every ASCII space and full-width space.
Text remove_spaces(std::string_view text);
// Pieces between separators at character boundaries. An empty piece between two
// separators or before the first counts; the piece after the last counts only
// when it is not empty.
std::vector<Text> split_text(std::string_view text, std::string_view separator);
// ASCII letters folded to lower case; double-byte characters unchanged.
Text ascii_lower(std::string_view text);
// Equal when ASCII letters are folded (double-byte characters compare exactly).
bool equal_ignore_case(std::string_view a, std::string_view b);
// Leading decimal integer ("-12abc" gives -12); 0 when there is none.
long long text_to_int(std::string_view text);

}  // namespace quarrow::util
