#include "util/base64.h"

#include <array>

#include "util/text_search.h"

namespace quarrow::util {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int, 256> make_lookup() {
  std::array<int, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}
constexpr auto kLookup = make_lookup();

}  // namespace

std::string base64_encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                 static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string base64_decode(std::string_view input) {
  // Spaces (ASCII and full-width) and CR LF pairs are dropped; lone CR or LF stay.
  std::string text = replace_all(remove_spaces(input), "\r\n", "");
  std::string out;
  if (text.empty()) return out;
  size_t groups = (text.size() + 3) / 4;
  out.reserve(groups * 3);
  int values[4] = {0, 0, 0, 0};  // places at or after a stop keep the previous group's values
  int k = 5;
  for (size_t g = 0; g < groups; ++g) {
    k = 5;
    for (int place = 0; place < 4; ++place) {
      size_t index = g * 4 + place;
      int v = index < text.size() ? kLookup[static_cast<unsigned char>(text[index])] : 0;
      if (v < 0) { k = place + 1; break; }
      values[place] = v;
    }
    out += static_cast<char>((values[0] << 2) | (values[1] >> 4));
    out += static_cast<char>(((values[1] << 4) | (values[2] >> 2)) & 0xFF);
    out += static_cast<char>(((values[2] << 6) | values[3]) & 0xFF);
  }
  if (k < 5) out.resize(out.size() - std::min<size_t>(out.size(), 5 - k));
  return out;
}

}  // namespace quarrow::util
