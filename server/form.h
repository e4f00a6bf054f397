// Decoding and encoding of what travels in requests: form fields, cookies,
// multipart bodies; and the HTML escaping of page text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qs {

// Percent escapes decoded, "+" as a space; a "%" not followed by two hex digits stays.
std::string url_decode(std::string_view s);
// Everything but unreserved characters percent-encoded (for URLs the service builds).
std::string url_encode(std::string_view s);

// A decoded form (query string or x-www-form-urlencoded body). As in PHP, the
// last field of a name wins.
class Form {
 public:
  Form() = default;
  explicit Form(std::string_view encoded) { add(encoded); }
  void add(std::string_view encoded);
  std::string get(std::string_view name) const;
  std::optional<std::string> find(std::string_view name) const;
  const std::vector<std::pair<std::string, std::string>>& fields() const { return fields_; }

 private:
  std::vector<std::pair<std::string, std::string>> fields_;
};

// The value of a cookie among the request's Cookie headers.
std::optional<std::string> cookie_value(const std::vector<std::string>& cookie_headers, std::string_view name);

std::string html_escape(std::string_view s);

struct MultipartPart {
  std::string name;
  std::optional<std::string> filename;
  std::string content_type;
  std::string_view data;  // points into the body
};

// The boundary parameter of a multipart Content-Type value, "" when absent.
std::string multipart_boundary(std::string_view content_type);
// False when the body is not a well-formed multipart body for that boundary.
bool parse_multipart(std::string_view body, std::string_view boundary, std::vector<MultipartPart>& parts);

// "532 B", "1.2 K", "3.4 M", "2.0 G": sizes as the service shows them.
std::string size_text(uint64_t bytes);
// "2024-03-01" in local time.
std::string date_text(int64_t epoch_seconds);

bool parse_int(std::string_view s, int64_t& out);
std::string lower_ascii(std::string_view s);

}  // namespace qs
