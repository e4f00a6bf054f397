#pragma once

#include "util/text.h"

namespace quarrow::download {

// Undoes the upload's naming: "x.txt.ke" is saved as "x.txt", "x.*.ke" as "x";
// "x.ke" stays, and so does any name not ending in ".ke" (case-sensitive).
Text strip_ke_suffix(const Text& name);

}  // namespace quarrow::download
