#include "util/json_doc.h"

#include <cstdlib>

#include "util/codepage.h"
#include "util/js_literal.h"
#include "util/size_text.h"
#include "util/text_search.h"

namespace quarrow::util {
namespace {

// One step of a path: a member name or a bracketed key (indices are decimal keys).
using Steps = std::vector<std::u16string>;

bool is_name_char(char16_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c >= 0x80;
}

// Parses "a.b[0]['c']" into its steps; nullopt for anything a script would reject.
std::optional<Steps> parse_path(std::u16string_view p, bool leading_bracket) {
  Steps steps;
  size_t i = 0;
  auto read_name = [&]() -> bool {
    size_t start = i;
    while (i < p.size() && is_name_char(p[i])) ++i;
    if (i == start || (p[start] >= '0' && p[start] <= '9')) return false;
    steps.emplace_back(p.substr(start, i - start));
    return true;
  };
  auto skip_blanks = [&] {
    while (i < p.size() && p[i] == ' ') ++i;
  };
  auto read_bracket = [&]() -> bool {
    ++i;  // '['
    skip_blanks();
    if (i >= p.size()) return false;
    if (p[i] == '\'' || p[i] == '"') {
      char16_t quote = p[i++];
      std::u16string key;
      while (i < p.size() && p[i] != quote) {
        if (p[i] == '\\' && i + 1 < p.size()) ++i;
        key.push_back(p[i++]);
      }
      if (i >= p.size()) return false;
      ++i;
      steps.push_back(std::move(key));
    } else {
      size_t start = i;
      while (i < p.size() && p[i] >= '0' && p[i] <= '9') ++i;
      if (i == start) return false;
      std::u16string digits(p.substr(start, i - start));
      // "[007]" is the number 7, whose key is "7"
      size_t nz = digits.find_first_not_of(u'0');
      steps.push_back(nz == std::u16string::npos ? u"0" : digits.substr(nz));
    }
    skip_blanks();
    if (i >= p.size() || p[i] != ']') return false;
    ++i;
    return true;
  };

  if (i < p.size() && p[i] == '[') {
    if (!leading_bracket || !read_bracket()) return std::nullopt;
  } else if (!read_name()) {
    return std::nullopt;
  }
  while (i < p.size()) {
    if (p[i] == '.') {
      ++i;
      if (!read_name()) return std::nullopt;
    } else if (p[i] == '[') {
      if (!read_bracket()) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  return steps;
}

// The array index a key names, or -1.
long index_of(const std::u16string& key) {
  if (key.empty() || key.size() > 9 || (key.size() > 1 && key[0] == '0')) return -1;
  long v = 0;
  for (char16_t c : key) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

const JsonValue kUndefined = JsonValue::make_undefined();

// One property read as a script does it; nullptr where the script raises an error.
const JsonValue* step_into(const JsonValue* v, const std::u16string& key) {
  if (!v || v->is_nullish()) return nullptr;
  if (v->kind == JsonValue::Kind::Object) {
    const JsonValue* m = v->member(key);
    return m ? m : &kUndefined;
  }
  if (v->kind == JsonValue::Kind::Array) {
    long idx = index_of(key);
    if (idx >= 0 && static_cast<size_t>(idx) < v->items.size()) return &v->items[idx];
  }
  return &kUndefined;
}

std::u16string to16(const Text& t) { return gbk_to_utf16(t); }
Text from16(std::u16string_view s) { return utf16_to_gbk(s); }

// A value given as the body of a single-quoted literal. What a script would
// reject (an apostrophe, a line break, a lone final backslash) is kept as the
// character it is, so no name is lost.
std::u16string literal_body(const std::u16string& s) { return decode_js_literal_body_leniently(s); }

std::optional<JsonValue> value_from(const Text& text, bool as_json) {
  if (!as_json) return JsonValue::make_string(literal_body(to16(text)));
  return parse_json(to16(text));
}

}  // namespace

JsonDoc::JsonDoc() { init(); }

void JsonDoc::init() { root_ = std::make_shared<JsonValue>(JsonValue::make_object()); }
void JsonDoc::destroy() { root_.reset(); }

JsonDoc JsonDoc::copy() const {
  JsonDoc doc;
  doc.root_ = root_;
  return doc;
}

bool JsonDoc::parse(const Text& text) {
  if (!root_) return false;
  auto value = parse_json(to16(text));
  root_ = std::make_shared<JsonValue>(value ? std::move(*value) : JsonValue::make_undefined());
  return !root_->is_nullish();
}

Text JsonDoc::to_text() const {
  if (!root_) return {};
  auto json = stringify_json(*root_);
  return json ? from16(*json) : Text();
}

const JsonValue* JsonDoc::find(const Text& path, PathMode mode) const {
  if (!root_) return nullptr;
  if (path.empty()) return mode == PathMode::kRootToo ? root_.get() : nullptr;
  auto steps = parse_path(to16(path), mode != PathMode::kDotted);
  if (!steps) return nullptr;
  const JsonValue* v = root_.get();
  for (const auto& key : *steps) {
    v = step_into(v, key);
    if (!v) return nullptr;
  }
  return v;
}

JsonValue* JsonDoc::find_parent(const Text& path, std::u16string& last_key) const {
  if (!root_ || path.empty()) return nullptr;
  auto steps = parse_path(to16(path), false);
  if (!steps) return nullptr;
  JsonValue* v = root_.get();
  for (size_t i = 0; i + 1 < steps->size(); ++i) {
    v = const_cast<JsonValue*>(step_into(v, (*steps)[i]));
    if (!v || v == &kUndefined) return nullptr;
  }
  last_key = steps->back();
  return v;
}

void JsonDoc::assign(const Text& path, JsonValue value) {
  std::u16string key;
  JsonValue* parent = find_parent(path, key);
  if (!parent) return;
  if (parent->kind == JsonValue::Kind::Object) {
    parent->member_or_add(key) = std::move(value);
  } else if (parent->kind == JsonValue::Kind::Array) {
    long idx = index_of(key);
    if (idx < 0) return;
    if (static_cast<size_t>(idx) >= parent->items.size()) parent->items.resize(idx + 1);  // holes read as null
    parent->items[idx] = std::move(value);
  }
}

void JsonDoc::set_value(const Text& path, const Text& value, bool expression) {
  auto v = value_from(expression && value.empty() ? Text("{}") : value, expression);
  if (v) assign(path, std::move(*v));
}

void JsonDoc::set_string(const Text& path, const Text& value) { assign(path, JsonValue::make_string(to16(value))); }

void JsonDoc::set_expr(const Text& path, const Text& json) {
  if (auto v = parse_json(to16(json))) assign(path, std::move(*v));
}

void JsonDoc::set_number(const Text& path, double number) {
  JsonValue v;
  v.kind = JsonValue::Kind::Number;
  v.number = std::strtod(format_g13(number).c_str(), nullptr);
  assign(path, v);
}

double JsonDoc::get_number(const Text& path) const {
  const JsonValue* v = find(path, PathMode::kDotted);
  if (!v) return 0;
  switch (v->kind) {
    case JsonValue::Kind::Number: return v->number;
    case JsonValue::Kind::Boolean: return v->boolean ? 1 : 0;
    case JsonValue::Kind::String: {
      std::string ascii = gbk_to_utf8(from16(v->string));
      char* end = nullptr;
      double d = std::strtod(ascii.c_str(), &end);
      return (end && *end == '\0' && !ascii.empty()) ? d : 0;
    }
    default: return 0;
  }
}

Text JsonDoc::get_json(const Text& path) const {
  const JsonValue* v = find(path, PathMode::kDotted);
  if (!v) return {};
  auto json = stringify_json(*v);
  return json ? from16(*json) : Text();
}

Text JsonDoc::get_text(const Text& path, bool json) const {
  const JsonValue* v = find(path, PathMode::kBracketsToo);
  if (!v) return {};
  if (json) {
    auto text = stringify_json(*v);
    return text ? from16(*text) : Text();
  }
  if (v->is_nullish()) return {};
  if (v->kind == JsonValue::Kind::Number) return format_g13(v->number);
  return from16(js_to_string(*v));
}

JsonDoc JsonDoc::get_object(const Text& path) const {
  JsonDoc doc;
  doc.parse(get_text(path, true));
  return doc;
}

int JsonDoc::count(const Text& path) const {
  const JsonValue* v = find(path, PathMode::kRootToo);
  if (!v) return 0;
  if (v->kind == JsonValue::Kind::Array) return static_cast<int>(v->items.size());
  if (v->kind == JsonValue::Kind::Object) {
    int n = 0;
    for (const auto& m : v->members) n += m.value.kind != JsonValue::Kind::Undefined;
    return n;
  }
  return 0;
}

void JsonDoc::push(const Text& value, const Text& path, bool literal) {
  auto v = value_from(value, literal);
  if (!v || !root_) return;
  JsonValue* target = nullptr;
  if (path.empty()) {
    target = root_.get();
  } else {
    std::u16string key;
    if (!find_parent(path, key)) return;
    if (const JsonValue* current = find(path, PathMode::kDotted); !current || current->kind != JsonValue::Kind::Array)
      assign(path, JsonValue::make_array());
    target = const_cast<JsonValue*>(find(path, PathMode::kDotted));
    if (!target || target->kind != JsonValue::Kind::Array) return;
  }
  if (target->kind != JsonValue::Kind::Array) *target = JsonValue::make_array();
  target->items.push_back(std::move(*v));
}

JsonDoc JsonDoc::get_item_object(int index, const Text& path) const {
  JsonDoc doc;
  doc.parse(get_item_text(index, path, true));
  return doc;
}

Text JsonDoc::get_item_text(int index, const Text& path, bool json) const {
  const JsonValue* base = find(path, PathMode::kRootToo);
  const JsonValue* v = step_into(base, std::u16string(to16(std::to_string(index))));
  if (!v) return {};
  if (json) {
    auto text = stringify_json(*v);
    return text ? from16(*text) : Text();
  }
  if (v->is_nullish()) return {};
  return from16(js_to_string(*v));
}

void JsonDoc::set_item(int index, const Text& value, bool literal) {
  if (!root_ || root_->is_nullish() || index < 0) return;
  auto v = value_from(value, literal);
  if (!v) return;
  if (root_->kind == JsonValue::Kind::Object) {
    root_->member_or_add(to16(std::to_string(index))) = std::move(*v);
  } else if (root_->kind == JsonValue::Kind::Array) {
    if (static_cast<size_t>(index) >= root_->items.size()) root_->items.resize(index + 1);
    root_->items[index] = std::move(*v);
  }
}

void JsonDoc::remove_item(int index) {
  if (!root_ || root_->kind != JsonValue::Kind::Array || index < 0) return;
  if (static_cast<size_t>(index) < root_->items.size()) root_->items.erase(root_->items.begin() + index);
}

void JsonDoc::remove_path(const Text& path) {
  Text base = text_before(path, "[");
  int index = static_cast<int>(text_to_int(text_between(path, "[", "]")));
  JsonDoc temp;
  if (!temp.parse(get_text(base, true))) return;
  temp.remove_item(index);
  set_expr(base, temp.to_text());
}

void JsonDoc::reset(int kind) {
  if (kind == 0 || kind == 4) root_ = std::make_shared<JsonValue>(JsonValue::make_object());
  else if (kind == 5) root_ = std::make_shared<JsonValue>(JsonValue::make_array());
}

void JsonDoc::set_root(const Text& value, bool literal) {
  if (!root_) return;
  if (auto v = value_from(value, literal)) *root_ = std::move(*v);
}

bool JsonDoc::exists(const Text& path) const {
  const JsonValue* v = find(path, PathMode::kDotted);
  return v && !v->is_nullish();
}

int JsonDoc::keys(const Text& path, std::vector<Text>& out) const {
  out.clear();
  const JsonValue* v = find(path, PathMode::kRootToo);
  if (!v) return 0;
  if (v->kind == JsonValue::Kind::Object) {
    for (const auto& m : v->members)
      if (m.value.kind != JsonValue::Kind::Undefined) out.push_back(from16(m.key));
  } else if (v->kind == JsonValue::Kind::Array) {
    for (size_t i = 0; i < v->items.size(); ++i) out.push_back(std::to_string(i));
  }
  return static_cast<int>(out.size());
}

int JsonDoc::type_of(const Text& path) const {
  const JsonValue* v = find(path, PathMode::kRootToo);
  if (!v || v->is_nullish()) return kNull;
  switch (v->kind) {
    case JsonValue::Kind::Boolean: return kBoolean;
    case JsonValue::Kind::Number: return kNumber;
    case JsonValue::Kind::String: return kString;
    case JsonValue::Kind::Array: return kArray;
    case JsonValue::Kind::Object: return kObject;
    default: return kOther;
  }
}

void JsonDoc::clear() {
  if (root_) *root_ = JsonValue::make_object();
}

}  // namespace quarrow::util
