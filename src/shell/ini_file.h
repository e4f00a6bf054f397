// An INI text kept line by line, so that a change leaves every other line,
// comment and unknown entry as it was.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "util/text.h"

namespace quarrow::shell {

class IniFile {
 public:
  explicit IniFile(std::string_view content = {});

  // Section and key names compare ignoring ASCII case.
  std::optional<Text> get(const Text& section, const Text& key) const;
  void set(const Text& section, const Text& key, const Text& value);
  void remove(const Text& section, const Text& key);
  std::string content() const;

 private:
  struct Position {
    size_t section_end;            // index of the first line after the section
    std::optional<size_t> line;    // the key's line
  };
  std::optional<Position> locate(const Text& section, const Text& key) const;

  std::vector<std::string> lines_;
  std::string newline_ = "\n";
};

}  // namespace quarrow::shell
