// A small JSON reader for tests: parses the emulator's answers and admin replies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarrow::test {

class JsonValue {
 public:
  enum class Type { null, boolean, number, string, array, object };

  static std::optional<JsonValue> parse(std::string_view text);

  Type type() const { return type_; }
  bool is_null() const { return type_ == Type::null; }
  bool is_string() const { return type_ == Type::string; }
  bool is_number() const { return type_ == Type::number; }
  bool is_array() const { return type_ == Type::array; }
  bool is_object() const { return type_ == Type::object; }

  // Wrong-type reads give "", 0 or an empty list; missing members read as null.
  const std::string& str() const { return string_; }
  double num() const { return number_; }
  int64_t integer() const { return static_cast<int64_t>(number_); }
  bool boolean() const { return boolean_; }
  const std::vector<JsonValue>& items() const { return items_; }
  const std::vector<std::pair<std::string, JsonValue>>& members() const { return members_; }
  size_t size() const { return type_ == Type::array ? items_.size() : members_.size(); }
  bool has(std::string_view key) const;
  const JsonValue& operator[](std::string_view key) const;
  const JsonValue& operator[](size_t index) const;

 private:
  friend class JsonParser;
  Type type_ = Type::null;
  bool boolean_ = false;
  double number_ = 0;
  std::string string_;
  std::vector<JsonValue> items_;
  std::vector<std::pair<std::string, JsonValue>> members_;
};

}  // namespace quarrow::test
