#include "shell/scramble.h"

#include <cctype>

#include "util/md5.h"
#include "util/text_search.h"

namespace quarrow::shell {
namespace {

const char kKeyText[] = "Q";
constexpr unsigned char kMask = 0x37;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

}  // namespace

Text scramble_check_tail() {
  static const Text tail = [] {
    std::string digest = util::md5_hex(kKeyText);
    if (digest.size() < 11) return Text();
    Text t = digest.substr(2, 9);
    for (auto& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return t;
  }();
  return tail;
}

Text scramble_text(const Text& text) {
  static const char hex[] = "0123456789ABCDEF";
  Text out;
  out.reserve(text.size() * 2 + 9);
  for (unsigned char b : text) {
    b ^= kMask;
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out + scramble_check_tail();
}

Text unscramble_text(const Text& stored) {
  const Text tail = scramble_check_tail();
  if (tail.empty()) return {};
  size_t cut = stored.size() > 9 ? stored.size() - 9 : 0;
  if (stored.compare(cut, Text::npos, tail) != 0) return {};
  Text out;
  for (size_t i = 0; i < cut; i += 2) {
    int value = i + 1 < cut ? hex_digit(stored[i]) * 16 + hex_digit(stored[i + 1]) : hex_digit(stored[i]);
    out += static_cast<char>(static_cast<unsigned char>(value) ^ kMask);
  }
  return out;
}

}  // namespace quarrow::shell
