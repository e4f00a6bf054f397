#pragma once

#include <cstdint>

#include "util/text.h"

namespace quarrow::util {

// A byte count for people: "0 B", "1.13 KB", "1.43 MB", … "1024 TB"; "0B" beyond.
Text size_text(int64_t bytes);

// A double in the form of printf "%.13g".
Text format_g13(double value);

}  // namespace quarrow::util
