#include "net/cookies.h"

#include <algorithm>
#include <vector>

#include "util/text_search.h"

namespace quarrow::net {
namespace {

using util::find_marker;
using util::npos;

// Splits at every separator; an empty piece between two separators counts,
// a trailing separator adds none.
std::vector<Text> split_items(const Text& text, const Text& separator) { return util::split_text(text, separator); }

Text name_of(const Text& pair) {
  size_t eq = find_marker(pair, "=");
  return util::trim(eq == npos ? pair : pair.substr(0, eq));
}

bool ends_with_deleted(const Text& item) {
  static const Text marker = "=deleted";
  return item.size() >= marker.size() && item.compare(item.size() - marker.size(), marker.size(), marker) == 0;
}

}  // namespace

Text collect_set_cookies(const Text& response_headers) {
  Text result;
  for (const Text& line : util::split_text(response_headers, "\r\n")) {
    if (util::text_before(line, ": ") != "Set-Cookie") continue;
    Text pair;
    if (util::contains(line, ";")) {
      pair = util::trim(util::text_between(line, "Set-Cookie:", ";"));
    } else {
      // Every "Set-Cookie:" removed, whatever its case.
      Text rest = line;
      for (size_t at; (at = find_marker(rest, "Set-Cookie:", 0, true)) != npos;) rest.erase(at, 11);
      pair = util::trim(rest);
    }
    result += pair + "; ";
  }
  if (result.size() >= 2) result.resize(result.size() - 2);
  return result;
}

Text merge_cookies(Text& old_cookies, Text& new_cookies) {
  std::vector<Text> old_items = split_items(util::remove_spaces(old_cookies), ";");
  std::vector<Text> merged = split_items(util::remove_spaces(new_cookies), ";");
  for (const Text& item : old_items) {
    Text name = name_of(item);
    bool named = std::any_of(merged.begin(), merged.end(), [&](const Text& m) { return name_of(m) == name; });
    if (!named) merged.push_back(item);
  }
  Text joined;
  for (const Text& item : merged)
    if (!ends_with_deleted(item)) joined += item + "; ";
  if (joined.size() >= 2) joined.resize(joined.size() - 2);

  std::vector<Text> kept;
  for (const Text& item : util::split_text(joined, "; "))
    if (std::find(kept.begin(), kept.end(), item) == kept.end()) kept.push_back(item);
  Text result;
  for (size_t i = 0; i < kept.size(); ++i) result += (i ? "; " : "") + kept[i];
  old_cookies = result;
  new_cookies = result;
  return result;
}

}  // namespace quarrow::net
