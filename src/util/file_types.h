#pragma once

#include "util/text.h"

namespace quarrow::util {

// The extension with its dot (".zip"), in the case it has; "" when there is none.
// A separator or a space after the last dot cancels it.
Text file_extension(const Text& name);

// The disk list's icon index for a file name (folders use 0).
int file_type_icon(const Text& name);

}  // namespace quarrow::util
