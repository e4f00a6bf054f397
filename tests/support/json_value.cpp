#include "json_value.h"

#include <cstdlib>

namespace quarrow::test {

namespace {

const JsonValue& null_value() {
  static const JsonValue kNull;
  return kNull;
}

void append_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xc0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3f));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xe0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (cp & 0x3f));
  } else {
    out += static_cast<char>(0xf0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (cp & 0x3f));
  }
}

}  // namespace

class JsonParser {
 public:
  explicit JsonParser(std::string_view t) : t_(t) {}

  bool document(JsonValue& v) {
    if (!value(v, 0)) return false;
    skip();
    return p_ == t_.size();
  }

 private:
  void skip() {
    while (p_ < t_.size() && (t_[p_] == ' ' || t_[p_] == '\t' || t_[p_] == '\n' || t_[p_] == '\r')) ++p_;
  }
  bool literal(std::string_view word) {
    if (t_.substr(p_, word.size()) != word) return false;
    p_ += word.size();
    return true;
  }
  bool hex4(uint32_t& out) {
    if (p_ + 4 > t_.size()) return false;
    out = 0;
    for (int i = 0; i < 4; ++i) {
      char c = t_[p_++];
      out <<= 4;
      if (c >= '0' && c <= '9') out |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') out |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') out |= static_cast<uint32_t>(c - 'A' + 10);
      else return false;
    }
    return true;
  }
  bool string(std::string& out) {
    if (p_ >= t_.size() || t_[p_] != '"') return false;
    ++p_;
    while (p_ < t_.size()) {
      char c = t_[p_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (p_ >= t_.size()) return false;
      char e = t_[p_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp;
          if (!hex4(cp)) return false;
          if (cp >= 0xd800 && cp < 0xdc00) {
            uint32_t lo;
            if (!literal("\\u") || !hex4(lo) || lo < 0xdc00 || lo > 0xdfff) return false;
            cp = 0x10000 + ((cp - 0xd800) << 10) + (lo - 0xdc00);
          } else if (cp >= 0xdc00 && cp <= 0xdfff) {
            return false;
          }
          append_utf8(out, cp);
          break;
        }
        default: return false;
      }
    }
    return false;
  }
  bool value(JsonValue& v, int depth) {
    if (depth > 64) return false;
    skip();
    if (p_ >= t_.size()) return false;
    char c = t_[p_];
    if (c == '{') {
      ++p_;
      v.type_ = JsonValue::Type::object;
      skip();
      if (p_ < t_.size() && t_[p_] == '}') return ++p_, true;
      for (;;) {
        skip();
        std::string key;
        if (!string(key)) return false;
        skip();
        if (!literal(":")) return false;
        JsonValue member;
        if (!value(member, depth + 1)) return false;
        v.members_.emplace_back(std::move(key), std::move(member));
        skip();
        if (literal(",")) continue;
        return literal("}");
      }
    }
    if (c == '[') {
      ++p_;
      v.type_ = JsonValue::Type::array;
      skip();
      if (p_ < t_.size() && t_[p_] == ']') return ++p_, true;
      for (;;) {
        JsonValue item;
        if (!value(item, depth + 1)) return false;
        v.items_.push_back(std::move(item));
        skip();
        if (literal(",")) continue;
        return literal("]");
      }
    }
    if (c == '"') {
      v.type_ = JsonValue::Type::string;
      return string(v.string_);
    }
    if (literal("true")) {
      v.type_ = JsonValue::Type::boolean;
      v.boolean_ = true;
      return true;
    }
    if (literal("false")) {
      v.type_ = JsonValue::Type::boolean;
      return true;
    }
    if (literal("null")) return true;
    size_t start = p_;
    while (p_ < t_.size() && std::string_view("+-0123456789.eE").find(t_[p_]) != std::string_view::npos) ++p_;
    if (start == p_) return false;
    std::string num(t_.substr(start, p_ - start));
    char* end = nullptr;
    v.number_ = std::strtod(num.c_str(), &end);
    v.type_ = JsonValue::Type::number;
    return end && *end == '\0';
  }

  std::string_view t_;
  size_t p_ = 0;
};

std::optional<JsonValue> JsonValue::parse(std::string_view text) {
  JsonValue v;
  JsonParser parser(text);
  if (!parser.document(v)) return std::nullopt;
  return v;
}

bool JsonValue::has(std::string_view key) const {
  for (const auto& m : members_)
    if (m.first == key) return true;
  return false;
}

const JsonValue& JsonValue::operator[](std::string_view key) const {
  for (const auto& m : members_)
    if (m.first == key) return m.second;
  return null_value();
}

const JsonValue& JsonValue::operator[](size_t index) const {
  return index < items_.size() ? items_[index] : null_value();
}

}  // namespace quarrow::test
