// The configuration file "config" in the run directory: an INI file in GB18030.
// Every read and write goes to the file at the moment of the call; every write
// replaces the file atomically and leaves it readable by its owner only.
#pragma once

#include <functional>

#include "util/text.h"

namespace quarrow::shell {

// The stored value, or `fallback` when the file, the section or the key is absent.
Text config_read(const Text& section, const Text& key, const Text& fallback = "");
void config_write(const Text& section, const Text& key, const Text& value);
void config_remove(const Text& section, const Text& key);

// run_dir() + "config".
Text config_path();

namespace detail {
// Runs between writing the new file and renaming it over the old one (tests).
extern std::function<void()> before_config_rename;
}

}  // namespace quarrow::shell
