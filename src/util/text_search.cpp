#include "util/text_search.h"

#include <cctype>

namespace quarrow::util {
namespace {

inline unsigned char fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

inline size_t char_length(std::string_view text, size_t i) {
  return (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) ? 2 : 1;
}

// Only single-byte characters fold: a trail byte that happens to be a letter is
// part of a double-byte character and must match exactly.
bool matches_at(std::string_view text, size_t i, std::string_view marker, bool ignore_case) {
  if (text.size() - i < marker.size()) return false;
  if (!ignore_case) return text.compare(i, marker.size(), marker) == 0;
  for (size_t k = 0; k < marker.size();) {
    if (static_cast<unsigned char>(marker[k]) >= 0x80 && k + 1 < marker.size()) {
      if (text[i + k] != marker[k] || text[i + k + 1] != marker[k + 1]) return false;
      k += 2;
      continue;
    }
    if (fold(text[i + k]) != fold(marker[k])) return false;
    ++k;
  }
  return true;
}

size_t start_offset(int start) { return start <= 1 ? 0 : static_cast<size_t>(start - 1); }

const Text& quote_marker() {
  static const Text marker = "#引号"_t;
  return marker;
}

}  // namespace

size_t find_marker(std::string_view text, std::string_view marker, size_t from, bool ignore_case) {
  for (size_t i = from; i < text.size(); i += char_length(text, i))
    if (matches_at(text, i, marker, ignore_case)) return i;
  return npos;
}

bool contains(std::string_view text, std::string_view marker, bool ignore_case) {
  return find_marker(text, marker, 0, ignore_case) != npos;
}

Text text_between(const Text& text, Text left, Text right, int start, bool ignore_case) {
  left = replace_all(left, quote_marker(), "\"");
  right = replace_all(right, quote_marker(), "\"");
  size_t l = find_marker(text, left, start_offset(start), ignore_case);
  if (l == npos) return {};
  size_t p = l + left.size();
  size_t r = find_marker(text, right, p, ignore_case);
  if (r == npos) return {};
  return text.substr(p, r - p);
}

Text text_before(const Text& text, const Text& marker, int start, bool ignore_case) {
  size_t m = find_marker(text, marker, start_offset(start), ignore_case);
  return m == npos ? Text() : text.substr(0, m);
}

Text text_after_last(const Text& text, const Text& marker, int last, bool ignore_case) {
  size_t limit = last <= 0 ? text.size() : std::min(text.size(), static_cast<size_t>(last - 1));
  size_t found = npos;
  for (size_t i = 0; i < text.size(); i += char_length(text, i)) {
    if (i + marker.size() > limit) break;
    if (matches_at(text, i, marker, ignore_case)) found = i;
  }
  return found == npos ? Text() : text.substr(found + marker.size());
}

int all_between(const Text& text, const Text& left, const Text& right, std::vector<Text>& out,
                const AllBetweenOptions& options) {
  out.clear();
  size_t c = start_offset(options.start);
  for (;;) {
    size_t l = find_marker(text, left, c, options.ignore_case);
    if (l == npos) break;
    c = l + left.size();
    size_t r = find_marker(text, right, c, options.ignore_case);
    if (r == npos) break;
    Text piece = options.prefix + text.substr(c, r - c) + options.suffix;
    if (options.keep_left) piece = left + piece;
    if (options.keep_right) piece += right;
    if (options.max_length == 0 || piece.size() < options.max_length) out.push_back(std::move(piece));
    if (options.pump) options.pump();
  }
  return static_cast<int>(out.size());
}

Text replace_all(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return Text(text);
  Text out;
  out.reserve(text.size());
  size_t pos = 0;
  for (;;) {
    size_t m = find_marker(text, from, pos);
    if (m == npos) break;
    out.append(text.substr(pos, m - pos));
    out.append(to);
    pos = m + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

namespace {
// Length of a space character at i (ASCII space or A1 A1), 0 otherwise.
size_t space_at(std::string_view text, size_t i) {
  if (text[i] == ' ') return 1;
  if (static_cast<unsigned char>(text[i]) == 0xA1 && i + 1 < text.size() &&
      static_cast<unsigned char>(text[i + 1]) == 0xA1)
    return 2;
  return 0;
}
}  // namespace

Text trim(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && space_at(text, begin)) begin += space_at(text, begin);
  size_t end = begin;  // end of the last character that is not a space
  for (size_t i = begin; i < text.size();) {
    size_t n = char_length(text, i);
    if (!space_at(text, i)) end = i + n;
    i += n;
  }
  return Text(text.substr(begin, end - begin));
}

Text remove_spaces(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t s = space_at(text, i);
    if (s) { i += s; continue; }
    size_t n = char_length(text, i);
    out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

std::vector<Text> split_text(std::string_view text, std::string_view separator) {
  std::vector<Text> pieces;
  if (text.empty()) return pieces;
  size_t pos = 0;
  for (;;) {
    size_t m = separator.empty() ? npos : find_marker(text, separator, pos);
    if (m == npos) break;
    pieces.emplace_back(text.substr(pos, m - pos));
    pos = m + separator.size();
  }
  if (pos < text.size()) pieces.emplace_back(text.substr(pos));
  return pieces;
}

Text ascii_lower(std::string_view text) {
  Text out(text);
  for (size_t i = 0; i < out.size(); i += char_length(out, i))
    out[i] = static_cast<char>(fold(static_cast<unsigned char>(out[i])));
  return out;
}

bool equal_ignore_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && matches_at(a, 0, b, true);
}

long long text_to_int(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    if (value > (INT64_MAX - 9) / 10) break;
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

}  // namespace quarrow::util
