// The value tree under JsonDoc: ECMAScript values as JSON knows them, strings in
// UTF-16 so that escapes and lengths behave as in a script engine.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quarrow::util {

struct JsonMember;

struct JsonValue {
  enum class Kind { Undefined, Null, Boolean, Number, String, Array, Object };

  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::u16string string;
  std::vector<JsonValue> items;      // Array
  std::vector<JsonMember> members;   // Object, in the order members were first set

  static JsonValue make_object();
  static JsonValue make_array();
  static JsonValue make_string(std::u16string s);
  static JsonValue make_undefined();

  bool is_nullish() const { return kind == Kind::Null || kind == Kind::Undefined; }

  // Member lookup and creation for objects.
  const JsonValue* member(std::u16string_view key) const;
  JsonValue& member_or_add(std::u16string_view key);
};

struct JsonMember {
  std::u16string key;
  JsonValue value;
};

inline JsonValue JsonValue::make_object() { JsonValue v; v.kind = Kind::Object; return v; }
inline JsonValue JsonValue::make_array() { JsonValue v; v.kind = Kind::Array; return v; }
inline JsonValue JsonValue::make_string(std::u16string s) { JsonValue v; v.kind = Kind::String; v.string = std::move(s); return v; }
inline JsonValue JsonValue::make_undefined() { JsonValue v; v.kind = Kind::Undefined; return v; }

// Nesting deeper than this is refused by the parser (no stack overflow on hostile input).
inline constexpr int kJsonMaxDepth = 512;

// Parses a JSON text (also accepting raw control characters in strings and
// single-quoted strings); nullopt when the whole text is not one value.
std::optional<JsonValue> parse_json(std::u16string_view text);

// Compact JSON in the form of JSON.stringify; nullopt for undefined.
std::optional<std::u16string> stringify_json(const JsonValue& value);

// The ECMAScript Number-to-String form (shortest round trip, "1e+21").
std::string js_number_text(double value);

// The ECMAScript ToString of a value (arrays joined with ",", objects "[object Object]").
std::u16string js_to_string(const JsonValue& value);

}  // namespace quarrow::util
