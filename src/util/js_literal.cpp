#include "util/js_literal.h"

namespace quarrow::util {
namespace {

int hex_value(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_line_terminator(char16_t c) { return c == 0x0A || c == 0x0D || c == 0x2028 || c == 0x2029; }

}  // namespace

int hex_at(std::u16string_view s, size_t i, int count) {
  if (i + count > s.size()) return -1;
  int v = 0;
  for (int k = 0; k < count; ++k) {
    int h = hex_value(s[i + k]);
    if (h < 0) return -1;
    v = v * 16 + h;
  }
  return v;
}

namespace {

std::optional<std::u16string> decode(std::u16string_view s, bool lenient) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (!lenient && (c == '\'' || is_line_terminator(c))) return std::nullopt;
    if (c != '\\') { out.push_back(c); continue; }
    if (++i >= s.size()) {
      if (!lenient) return std::nullopt;
      out.push_back(c);
      break;
    }
    c = s[i];
    switch (c) {
      case 'b': out.push_back(0x08); break;
      case 't': out.push_back(0x09); break;
      case 'n': out.push_back(0x0A); break;
      case 'v': out.push_back(0x0B); break;
      case 'f': out.push_back(0x0C); break;
      case 'r': out.push_back(0x0D); break;
      case 'x': {
        int v = hex_at(s, i + 1, 2);
        if (v < 0) { out.push_back(c); break; }
        out.push_back(static_cast<char16_t>(v));
        i += 2;
        break;
      }
      case 'u': {
        int v = hex_at(s, i + 1, 4);
        if (v < 0) { out.push_back(c); break; }
        out.push_back(static_cast<char16_t>(v));
        i += 4;
        break;
      }
      case 0x0D:  // line continuation
        if (i + 1 < s.size() && s[i + 1] == 0x0A) ++i;
        break;
      case 0x0A: case 0x2028: case 0x2029:
        break;
      default:
        if (c >= '0' && c <= '7') {  // legacy octal escape
          int v = c - '0';
          int max_digits = c <= '3' ? 3 : 2;
          for (int k = 1; k < max_digits && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7'; ++k)
            v = v * 8 + (s[++i] - '0');
          out.push_back(static_cast<char16_t>(v));
        } else {
          out.push_back(c);
        }
    }
  }
  return out;
}

}  // namespace

std::optional<std::u16string> decode_js_literal_body(std::u16string_view body) { return decode(body, false); }

std::u16string decode_js_literal_body_leniently(std::u16string_view body) { return *decode(body, true); }

}  // namespace quarrow::util
