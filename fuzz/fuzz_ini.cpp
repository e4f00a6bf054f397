#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/ini_file.h"

using quarrow::shell::IniFile;

// Reads the input as an INI text, changes a key and checks the change reads back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  IniFile ini(input);
  ini.get("配置", "ck");
  ini.set("Section", "key", "value with spaces ");
  if (IniFile(ini.content()).get("section", "KEY") != "value with spaces ") std::abort();
  ini.remove("Section", "key");
  if (IniFile(ini.content()).get("Section", "key")) std::abort();
  return 0;
}
