#include "json.h"

#include <cstdio>

namespace qs {

namespace {

void append_u(std::string& out, unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\u%04x", v & 0xffffu);
  out += buf;
}

// Decodes one UTF-8 sequence at s[i]; returns 0xFFFD for a malformed one.
unsigned next_code_point(std::string_view s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int extra = (c >= 0xc2 && c <= 0xdf) ? 1 : (c >= 0xe0 && c <= 0xef) ? 2 : (c >= 0xf0 && c <= 0xf4) ? 3 : -1;
  if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) {
    ++i;
    return 0xfffd;
  }
  unsigned cp = c & (0x3fu >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char d = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
    if ((d & 0xc0) != 0x80) {
      ++i;
      return 0xfffd;
    }
    cp = (cp << 6) | (d & 0x3fu);
  }
  static const unsigned kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) {
    ++i;
    return 0xfffd;
  }
  i += static_cast<size_t>(extra) + 1;
  return cp;
}

}  // namespace

std::string json_quote(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '/': out += "\\/"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
          if (c < 0x20) append_u(out, c);
          else out += static_cast<char>(c);
      }
      continue;
    }
    unsigned cp = next_code_point(s, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      append_u(out, 0xd800 + (cp >> 10));
      append_u(out, 0xdc00 + (cp & 0x3ff));
    } else {
      append_u(out, cp);
    }
  }
  out += '"';
  return out;
}

void JsonWriter::before_value() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!need_comma_.empty()) {
    if (need_comma_.back()) out_ += ',';
    need_comma_.back() = true;
  }
}

JsonWriter& JsonWriter::begin_object() {
  before_value();
  out_ += '{';
  need_comma_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::end_object() {
  out_ += '}';
  need_comma_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::begin_array() {
  before_value();
  out_ += '[';
  need_comma_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::end_array() {
  out_ += ']';
  need_comma_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::key(std::string_view k) {
  before_value();
  out_ += json_quote(k);
  out_ += ':';
  after_key_ = true;
  return *this;
}

JsonWriter& JsonWriter::str(std::string_view v) {
  before_value();
  out_ += json_quote(v);
  return *this;
}

JsonWriter& JsonWriter::num(int64_t v) {
  before_value();
  out_ += std::to_string(v);
  return *this;
}

JsonWriter& JsonWriter::null() {
  before_value();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::raw(std::string_view json) {
  before_value();
  out_ += json;
  return *this;
}

}  // namespace qs
