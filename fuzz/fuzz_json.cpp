#include <cstddef>
#include <cstdint>
#include <string>

#include "util/json_doc.h"

using quarrow::util::JsonDoc;

// Parses the input, then reads it with the first line of the input as a path.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::string path = input.substr(0, input.find('\n'));
  JsonDoc doc;
  doc.parse(input);
  doc.get_text(path);
  doc.get_text(path, true);
  doc.count(path);
  doc.type_of(path);
  std::vector<std::string> keys;
  doc.keys(path, keys);
  doc.get_object(path).to_text();
  doc.set_value(path, input.substr(0, 64));
  doc.set_value(path, input, true);
  doc.remove_path(path);
  JsonDoc again;
  again.parse(doc.to_text());
  return 0;
}
