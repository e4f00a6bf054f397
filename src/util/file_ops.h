// Local file functions over Texts; "/" separates folders.
#pragma once

#include <cstdint>

#include "util/text.h"

namespace quarrow::util {

bool file_exists(const Text& path);  // a folder counts as existing
bool is_folder(const Text& path);
// Appends "/" when missing, then creates every missing folder of the path.
bool ensure_folder(const Text& path);
void remove_local_file(const Text& path);
// Up to and including the last "/"; "" when there is none.
Text folder_of_path(const Text& path);
// After the last "/"; the whole path when there is none.
Text file_name_of_path(const Text& path);
// Size in bytes; -1 when the path does not exist, 0 for a folder.
int64_t file_size(const Text& path);
// The text with "/" appended when it does not end with one.
Text with_trailing_slash(const Text& folder);

}  // namespace quarrow::util
