#include "form.h"

#include <cstdio>
#include <ctime>

namespace qs {

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string url_decode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < s.size() && hex_value(s[i + 1]) >= 0 &&
               hex_value(s[i + 2]) >= 0) {
      out += static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

std::string url_encode(std::string_view s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

void Form::add(std::string_view encoded) {
  while (!encoded.empty()) {
    size_t amp = encoded.find('&');
    std::string_view field = encoded.substr(0, amp);
    encoded = amp == std::string_view::npos ? std::string_view() : encoded.substr(amp + 1);
    if (field.empty()) continue;
    size_t eq = field.find('=');
    std::string name = url_decode(field.substr(0, eq));
    std::string value = eq == std::string_view::npos ? std::string() : url_decode(field.substr(eq + 1));
    fields_.emplace_back(std::move(name), std::move(value));
  }
}

std::optional<std::string> Form::find(std::string_view name) const {
  for (auto it = fields_.rbegin(); it != fields_.rend(); ++it)
    if (it->first == name) return it->second;
  return std::nullopt;
}

std::string Form::get(std::string_view name) const { return find(name).value_or(std::string()); }

std::optional<std::string> cookie_value(const std::vector<std::string>& cookie_headers, std::string_view name) {
  for (const auto& header : cookie_headers) {
    std::string_view rest = header;
    while (!rest.empty()) {
      size_t semi = rest.find(';');
      std::string_view pair = trim(rest.substr(0, semi));
      rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
      size_t eq = pair.find('=');
      if (eq != std::string_view::npos && trim(pair.substr(0, eq)) == name) return std::string(trim(pair.substr(eq + 1)));
    }
  }
  return std::nullopt;
}

std::string html_escape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#039;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string multipart_boundary(std::string_view content_type) {
  std::string lower = lower_ascii(content_type);
  size_t p = lower.find("boundary=");
  if (p == std::string::npos) return {};
  std::string_view b = content_type.substr(p + 9);
  if (!b.empty() && b.front() == '"') {
    b.remove_prefix(1);
    return std::string(b.substr(0, b.find('"')));
  }
  return std::string(trim(b.substr(0, b.find(';'))));
}

bool parse_multipart(std::string_view body, std::string_view boundary, std::vector<MultipartPart>& parts) {
  parts.clear();
  if (boundary.empty() || boundary.size() > 200) return false;
  const std::string delim = "--" + std::string(boundary);
  const std::string next_delim = "\r\n" + delim;
  if (body.substr(0, delim.size()) != delim) return false;
  size_t pos = delim.size();
  for (;;) {
    if (body.substr(pos, 2) == "--") return true;  // closing delimiter
    if (body.substr(pos, 2) != "\r\n") return false;
    pos += 2;
    size_t head_end = body.find("\r\n\r\n", pos);
    if (head_end == std::string_view::npos) return false;
    MultipartPart part;
    std::string_view head = body.substr(pos, head_end - pos);
    while (!head.empty()) {
      size_t e = head.find("\r\n");
      std::string_view line = head.substr(0, e);
      head = e == std::string_view::npos ? std::string_view() : head.substr(e + 2);
      size_t colon = line.find(':');
      if (colon == std::string_view::npos) return false;
      std::string name = lower_ascii(trim(line.substr(0, colon)));
      std::string_view value = trim(line.substr(colon + 1));
      if (name == "content-type") {
        part.content_type = std::string(value);
      } else if (name == "content-disposition") {
        // Parameters: name="..." and filename="..." (quoted strings, no escapes).
        std::string_view params = value;
        while (!params.empty()) {
          size_t semi = params.find(';');
          std::string_view param = trim(params.substr(0, semi));
          size_t eq = param.find('=');
          if (eq != std::string_view::npos) {
            std::string key = lower_ascii(trim(param.substr(0, eq)));
            std::string_view v = trim(param.substr(eq + 1));
            if (v.size() >= 2 && v.front() == '"') {
              // A quoted value may hold ';', so take up to the closing quote.
              size_t start = static_cast<size_t>(v.data() - params.data()) + 1;
              size_t close = params.find('"', start);
              if (close == std::string_view::npos) return false;
              v = params.substr(start, close - start);
              semi = params.find(';', close);
            }
            if (key == "name") part.name = std::string(v);
            else if (key == "filename") part.filename = std::string(v);
          }
          params = semi == std::string_view::npos ? std::string_view() : params.substr(semi + 1);
        }
      }
    }
    pos = head_end + 4;
    size_t data_end = body.find(next_delim, pos);
    if (data_end == std::string_view::npos) return false;
    part.data = body.substr(pos, data_end - pos);
    parts.push_back(std::move(part));
    pos = data_end + next_delim.size();
  }
}

std::string size_text(uint64_t bytes) {
  char buf[32];
  if (bytes < 1024) {
    std::snprintf(buf, sizeof buf, "%llu B", static_cast<unsigned long long>(bytes));
  } else if (bytes < 1024ull * 1024) {
    std::snprintf(buf, sizeof buf, "%.1f K", static_cast<double>(bytes) / 1024);
  } else if (bytes < 1024ull * 1024 * 1024) {
    std::snprintf(buf, sizeof buf, "%.1f M", static_cast<double>(bytes) / (1024.0 * 1024));
  } else {
    std::snprintf(buf, sizeof buf, "%.1f G", static_cast<double>(bytes) / (1024.0 * 1024 * 1024));
  }
  return buf;
}

std::string date_text(int64_t epoch_seconds) {
  time_t t = static_cast<time_t>(epoch_seconds);
  struct tm tm {};
  localtime_r(&t, &tm);
  char buf[32];
  strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
  return buf;
}

bool parse_int(std::string_view s, int64_t& out) {
  s = trim(s);
  bool neg = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.size() > 18) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  out = neg ? -v : v;
  return true;
}

std::string lower_ascii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace qs
