#include "util/json_value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace quarrow::util {

const JsonValue* JsonValue::member(std::u16string_view key) const {
  for (const auto& m : members)
    if (m.key == key) return &m.value;
  return nullptr;
}

JsonValue& JsonValue::member_or_add(std::u16string_view key) {
  for (auto& m : members)
    if (m.key == key) return m.value;
  members.push_back(JsonMember{std::u16string(key), JsonValue::make_undefined()});
  return members.back().value;
}

namespace {

std::u16string ascii16(std::string_view s) { return std::u16string(s.begin(), s.end()); }

class Parser {
 public:
  explicit Parser(std::u16string_view text) : s_(text) {}

  std::optional<JsonValue> parse_document() {
    skip_space();
    auto value = parse_value(0);
    if (!value) return std::nullopt;
    skip_space();
    if (pos_ < s_.size() && s_[pos_] == ';') {
      ++pos_;
      skip_space();
    }
    if (pos_ != s_.size()) return std::nullopt;
    return value;
  }

 private:
  void skip_space() {
    while (pos_ < s_.size()) {
      char16_t c = s_[pos_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0xFEFF || c == 0xA0 || c == 0x0B || c == 0x0C ||
          c == 0x2028 || c == 0x2029)
        ++pos_;
      else
        break;
    }
  }

  bool consume_word(std::u16string_view word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  std::optional<JsonValue> parse_value(int depth) {
    if (depth > kJsonMaxDepth || pos_ >= s_.size()) return std::nullopt;
    char16_t c = s_[pos_];
    if (c == '{') return parse_object(depth);
    if (c == '[') return parse_array(depth);
    if (c == '"' || c == '\'') {
      auto str = parse_string();
      if (!str) return std::nullopt;
      return JsonValue::make_string(std::move(*str));
    }
    if (consume_word(u"true")) { JsonValue v; v.kind = JsonValue::Kind::Boolean; v.boolean = true; return v; }
    if (consume_word(u"false")) { JsonValue v; v.kind = JsonValue::Kind::Boolean; return v; }
    if (consume_word(u"null")) return JsonValue();
    return parse_number();
  }

  std::optional<JsonValue> parse_object(int depth) {
    ++pos_;
    JsonValue obj = JsonValue::make_object();
    skip_space();
    if (pos_ < s_.size() && s_[pos_] == '}') { ++pos_; return obj; }
    for (;;) {
      skip_space();
      if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) return std::nullopt;
      auto key = parse_string();
      if (!key) return std::nullopt;
      skip_space();
      if (pos_ >= s_.size() || s_[pos_] != ':') return std::nullopt;
      ++pos_;
      skip_space();
      auto value = parse_value(depth + 1);
      if (!value) return std::nullopt;
      obj.member_or_add(*key) = std::move(*value);  // a repeated key keeps its first place, last value
      skip_space();
      if (pos_ >= s_.size()) return std::nullopt;
      if (s_[pos_] == ',') { ++pos_; continue; }
      if (s_[pos_] == '}') { ++pos_; return obj; }
      return std::nullopt;
    }
  }

  std::optional<JsonValue> parse_array(int depth) {
    ++pos_;
    JsonValue arr = JsonValue::make_array();
    skip_space();
    if (pos_ < s_.size() && s_[pos_] == ']') { ++pos_; return arr; }
    for (;;) {
      skip_space();
      auto value = parse_value(depth + 1);
      if (!value) return std::nullopt;
      arr.items.push_back(std::move(*value));
      skip_space();
      if (pos_ >= s_.size()) return std::nullopt;
      if (s_[pos_] == ',') { ++pos_; continue; }
      if (s_[pos_] == ']') { ++pos_; return arr; }
      return std::nullopt;
    }
  }

  static int hex(char16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  std::optional<std::u16string> parse_string() {
    char16_t quote = s_[pos_++];
    std::u16string out;
    while (pos_ < s_.size()) {
      char16_t c = s_[pos_++];
      if (c == quote) return out;
      if (c != '\\') { out.push_back(c); continue; }  // raw control characters are accepted
      if (pos_ >= s_.size()) return std::nullopt;
      char16_t e = s_[pos_++];
      switch (e) {
        case 'b': out.push_back(0x08); break;
        case 'f': out.push_back(0x0C); break;
        case 'n': out.push_back(0x0A); break;
        case 'r': out.push_back(0x0D); break;
        case 't': out.push_back(0x09); break;
        case 'v': out.push_back(0x0B); break;
        case 'u': {
          if (pos_ + 4 > s_.size()) return std::nullopt;
          int v = 0;
          for (int k = 0; k < 4; ++k) {
            int h = hex(s_[pos_ + k]);
            if (h < 0) return std::nullopt;
            v = v * 16 + h;
          }
          pos_ += 4;
          out.push_back(static_cast<char16_t>(v));
          break;
        }
        default: out.push_back(e);  // \" \\ \/ \' and any other escaped character
      }
    }
    return std::nullopt;
  }

  std::optional<JsonValue> parse_number() {
    size_t start = pos_;
    if (pos_ < s_.size() && (s_[pos_] == '-' || s_[pos_] == '+')) ++pos_;
    size_t digits = 0;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') { ++pos_; ++digits; }
    if (pos_ < s_.size() && s_[pos_] == '.') {
      ++pos_;
      while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') { ++pos_; ++digits; }
    }
    if (digits == 0) return std::nullopt;
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      size_t mark = pos_++;
      if (pos_ < s_.size() && (s_[pos_] == '-' || s_[pos_] == '+')) ++pos_;
      size_t exp_digits = 0;
      while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') { ++pos_; ++exp_digits; }
      if (exp_digits == 0) pos_ = mark;
    }
    std::string ascii(s_.begin() + static_cast<long>(start), s_.begin() + static_cast<long>(pos_));
    JsonValue v;
    v.kind = JsonValue::Kind::Number;
    v.number = std::strtod(ascii.c_str(), nullptr);
    return v;
  }

  std::u16string_view s_;
  size_t pos_ = 0;
};

bool needs_unicode_escape(char16_t c) {
  return c <= 0x1F || (c >= 0x7F && c <= 0x9F) || c == 0xAD || (c >= 0x600 && c <= 0x604) || c == 0x70F ||
         c == 0x17B4 || c == 0x17B5 || (c >= 0x200C && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) ||
         (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || c >= 0xFFF0;
}

void quote_string(std::u16string& out, const std::u16string& s) {
  static const char hex[] = "0123456789abcdef";
  out.push_back('"');
  for (char16_t c : s) {
    switch (c) {
      case '"': out += u"\\\""; break;
      case '\\': out += u"\\\\"; break;
      case 0x08: out += u"\\b"; break;
      case 0x09: out += u"\\t"; break;
      case 0x0A: out += u"\\n"; break;
      case 0x0C: out += u"\\f"; break;
      case 0x0D: out += u"\\r"; break;
      default:
        if (needs_unicode_escape(c)) {
          out += u"\\u";
          for (int shift = 12; shift >= 0; shift -= 4) out.push_back(static_cast<char16_t>(hex[(c >> shift) & 15]));
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
}

void stringify_into(std::u16string& out, const JsonValue& v) {
  switch (v.kind) {
    case JsonValue::Kind::Undefined:
    case JsonValue::Kind::Null: out += u"null"; break;
    case JsonValue::Kind::Boolean: out += v.boolean ? u"true" : u"false"; break;
    case JsonValue::Kind::Number:
      out += std::isfinite(v.number) ? ascii16(js_number_text(v.number)) : u"null";
      break;
    case JsonValue::Kind::String: quote_string(out, v.string); break;
    case JsonValue::Kind::Array:
      out.push_back('[');
      for (size_t i = 0; i < v.items.size(); ++i) {
        if (i) out.push_back(',');
        stringify_into(out, v.items[i]);
      }
      out.push_back(']');
      break;
    case JsonValue::Kind::Object: {
      out.push_back('{');
      bool first = true;
      for (const auto& m : v.members) {
        if (m.value.kind == JsonValue::Kind::Undefined) continue;
        if (!first) out.push_back(',');
        first = false;
        quote_string(out, m.key);
        out.push_back(':');
        stringify_into(out, m.value);
      }
      out.push_back('}');
      break;
    }
  }
}

}  // namespace

std::optional<JsonValue> parse_json(std::u16string_view text) { return Parser(text).parse_document(); }

std::optional<std::u16string> stringify_json(const JsonValue& value) {
  if (value.kind == JsonValue::Kind::Undefined) return std::nullopt;
  std::u16string out;
  stringify_into(out, value);
  return out;
}

std::string js_number_text(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  if (value == 0) return "0";
  std::string sign = value < 0 ? "-" : "";
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific);
  std::string sci(buffer, end);  // d.ddde±x
  size_t e = sci.find('e');
  std::string digits = sci.substr(0, e);
  if (digits.size() > 1) digits.erase(1, 1);  // drop the point
  int exponent = std::atoi(sci.c_str() + e + 1);
  int k = static_cast<int>(digits.size());
  int n = exponent + 1;
  if (k <= n && n <= 21) return sign + digits + std::string(n - k, '0');
  if (0 < n && n <= 21) return sign + digits.substr(0, n) + "." + digits.substr(n);
  if (-6 < n && n <= 0) return sign + "0." + std::string(-n, '0') + digits;
  std::string out = sign + digits.substr(0, 1);
  if (k > 1) out += "." + digits.substr(1);
  out += (n - 1 >= 0) ? "e+" : "e-";
  out += std::to_string(std::abs(n - 1));
  return out;
}

std::u16string js_to_string(const JsonValue& v) {
  switch (v.kind) {
    case JsonValue::Kind::Undefined: return u"undefined";
    case JsonValue::Kind::Null: return u"null";
    case JsonValue::Kind::Boolean: return v.boolean ? u"true" : u"false";
    case JsonValue::Kind::Number: return ascii16(js_number_text(v.number));
    case JsonValue::Kind::String: return v.string;
    case JsonValue::Kind::Object: return u"[object Object]";
    case JsonValue::Kind::Array: {
      std::u16string out;
      for (size_t i = 0; i < v.items.size(); ++i) {
        if (i) out.push_back(',');
        if (!v.items[i].is_nullish()) out += js_to_string(v.items[i]);
      }
      return out;
    }
  }
  return {};
}

}  // namespace quarrow::util
