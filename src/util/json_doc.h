// JsonDoc: a JSON document addressed by script-style paths such as "info.pwd",
// "info['new_url']" or "text[0]['name_all']". Reads of anything missing give the
// empty result ("", 0, false); no operation throws or reports an error.
#pragma once

#include <memory>
#include <vector>

#include "util/json_value.h"
#include "util/text.h"

namespace quarrow::util {

class JsonDoc {
 public:
  enum Kind { kNull = 0, kBoolean = 1, kNumber = 2, kObject = 4, kArray = 5, kString = 6, kOther = -1 };

  JsonDoc();  // root: an empty object

  // A new empty object as root.
  void init();
  // Releases the document: parse then fails and every read is empty.
  void destroy();
  // A second handle on the same document (changes show through both).
  JsonDoc copy() const;

  // Replaces the document by the value of the text; true when it is neither null nor missing.
  bool parse(const Text& text);
  // Compact JSON of the root; "" when there is none.
  Text to_text() const;

  // Expression off: the value is the body of a single-quoted script string literal
  // and is stored as a string ("\u4e2d" becomes 中). Expression on: the value is
  // JSON ("" counts as {}). The parent must exist.
  void set_value(const Text& path, const Text& value, bool expression = false);
  // Stores the text as a string exactly as given, without decoding escapes.
  void set_string(const Text& path, const Text& value);
  void set_expr(const Text& path, const Text& json);
  void set_number(const Text& path, double number);
  double get_number(const Text& path) const;
  Text get_json(const Text& path) const;
  // A string's characters; a number in "%.13g"; JSON text with `json`; "" when missing.
  Text get_text(const Text& path, bool json = false) const;
  JsonDoc get_object(const Text& path) const;
  // Elements of an array or members of an object; 0 for anything else.
  int count(const Text& path = "") const;
  void push(const Text& value, const Text& path = "", bool literal = false);
  JsonDoc get_item_object(int index, const Text& path = "") const;
  Text get_item_text(int index, const Text& path = "", bool json = false) const;
  void set_item(int index, const Text& value, bool literal = false);
  void remove_item(int index);
  // Removes element i of the array at "name[i]".
  void remove_path(const Text& path);
  // 0 or 4: an empty object; 5: an empty array; other codes change nothing.
  void reset(int kind);
  void set_root(const Text& value, bool literal = false);
  bool exists(const Text& path) const;
  // Member names (array indices as decimal texts); returns their number.
  int keys(const Text& path, std::vector<Text>& out) const;
  int type_of(const Text& path = "") const;
  void clear();

 private:
  enum class PathMode { kDotted, kBracketsToo, kRootToo };
  const JsonValue* find(const Text& path, PathMode mode) const;
  JsonValue* find_parent(const Text& path, std::u16string& last_key) const;
  void assign(const Text& path, JsonValue value);

  std::shared_ptr<JsonValue> root_;
};

}  // namespace quarrow::util
