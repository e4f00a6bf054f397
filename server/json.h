// JSON text writer. Strings are escaped the way the service's PHP side
// escapes them: every non-ASCII character as \uXXXX and "/" as "\/".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

std::string json_quote(std::string_view utf8);

class JsonWriter {
 public:
  JsonWriter& begin_object();
  JsonWriter& end_object();
  JsonWriter& begin_array();
  JsonWriter& end_array();
  JsonWriter& key(std::string_view k);
  JsonWriter& str(std::string_view v);
  JsonWriter& num(int64_t v);
  JsonWriter& null();
  JsonWriter& raw(std::string_view json);

  const std::string& text() const { return out_; }

 private:
  void before_value();
  std::string out_;
  std::vector<bool> need_comma_;
  bool after_key_ = false;
};

}  // namespace qs
