#include "util/text_codec.h"

#include <optional>

#include "util/codepage.h"
#include "util/js_literal.h"
#include "util/text_search.h"

namespace quarrow::util {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool is_alnum(char16_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// ECMAScript unescape(): %uXXXX and %XX become characters, any other "%" stays.
std::u16string js_unescape(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%') {
      if (i + 1 < s.size() && s[i + 1] == 'u') {
        int v = hex_at(s, i + 2, 4);
        if (v >= 0) { out.push_back(static_cast<char16_t>(v)); i += 5; continue; }
      }
      int v = hex_at(s, i + 1, 2);
      if (v >= 0) { out.push_back(static_cast<char16_t>(v)); i += 2; continue; }
    }
    out.push_back(s[i]);
  }
  return out;
}

std::u16string bytes_as_utf16le(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                        (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return out;
}

}  // namespace

Text url_encode(const Text& text, bool keep_unreserved, bool utf8) {
  if (text.empty()) return {};
  std::string bytes = utf8 ? gbk_to_utf8(text) : text;
  Text out;
  out.reserve(bytes.size() * 3);
  for (unsigned char b : bytes) {
    if (keep_unreserved && (b == '-' || b == '.' || is_alnum(b))) {
      out.push_back(static_cast<char>(b));
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    }
  }
  return out;
}

Text unicode_unescape(const Text& input) {
  static const Text right_quote = "\xA1\xAF";  // GBK right single quotation mark
  Text text = replace_all(input, "\r\n", "{$}");
  if (!text.empty() && text[0] == '\r') text.erase(0, 1);
  text = replace_all(text, "\\u", "%u");
  text = replace_all(text, "'", right_quote);

  Text result;
  if (auto body = decode_js_literal_body(gbk_to_utf16(text)); body) result = utf16_to_gbk(js_unescape(*body));
  if (result.empty()) result = utf16_to_gbk(bytes_as_utf16le(text));

  result = replace_all(result, right_quote, "'");
  return replace_all(result, "{$}", "\r\n");
}

Text js_escape(const Text& text, bool restore_brackets, bool restore_punctuation, const Text& u_replacement) {
  Text out;
  for (char16_t c : gbk_to_utf16(text)) {
    if (c == '\'' || is_alnum(c) || c == '@' || c == '*' || c == '_' || c == '+' || c == '-' || c == '.' ||
        c == '/') {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x100) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += "%u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 15];
    }
  }
  if (restore_brackets) {
    static const std::pair<const char*, const char*> brackets[] = {
        {"%7B", "{"}, {"%7D", "}"}, {"%5B", "["}, {"%5D", "]"}, {"%28", "("}, {"%29", ")"}};
    for (auto [from, to] : brackets) out = replace_all(out, from, to);
  }
  if (restore_punctuation) {
    out = replace_all(out, "%3A", ":");
    out = replace_all(out, "%2C", ",");
    out = replace_all(out, "%22", "\"");
  }
  if (!u_replacement.empty() && u_replacement != "%u" && !trim(u_replacement).empty())
    out = replace_all(out, "%u", u_replacement);
  return out;
}

Text html_unescape(const Text& text) {
  static const std::pair<const char*, char16_t> named[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xA0},
  };
  std::u16string in = gbk_to_utf16(text), out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    size_t semi = in[i] == '&' ? in.find(';', i) : std::u16string::npos;
    if (semi == std::u16string::npos || semi - i > 10) {
      out.push_back(in[i]);
      continue;
    }
    std::u16string name = in.substr(i + 1, semi - i - 1);
    char32_t code = 0;
    if (name.size() > 1 && name[0] == '#') {
      bool hex = name[1] == 'x' || name[1] == 'X';
      for (size_t k = hex ? 2 : 1; k < name.size(); ++k) {
        int d = hex ? hex_at(name, k, 1) : (name[k] >= '0' && name[k] <= '9' ? name[k] - '0' : -1);
        if (d < 0 || code > 0x10FFFF) { code = 0; break; }
        code = code * (hex ? 16 : 10) + d;
      }
    } else {
      for (auto [entity, c] : named)
        if (name == std::u16string(entity, entity + std::char_traits<char>::length(entity))) code = c;
    }
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      out.push_back(in[i]);
      continue;
    }
    if (code >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i = semi;
  }
  return utf16_to_gbk(out);
}

}  // namespace quarrow::util
