// Which local file a task writes, and how a partial file is known as the
// task's own: a small hidden record beside it, ".NAME.quarrow", names the
// task's link and the file's expected size while the file is incomplete.
#pragma once

#include <cstdint>
#include <optional>

#include "util/text.h"

namespace quarrow::download {

// A name from the network made safe as one file name inside the save folder:
// "/" and "\" become "_", control characters go, "." and ".." become "_", and
// very long names are shortened (keeping the extension). "" stays "".
Text safe_file_name(const Text& name);

struct PartialRecord {
  Text link;                   // the task's share link, or its direct URL
  int64_t expected_size = -1;  // -1 while unknown
};

// ".NAME.quarrow" in the target's folder.
Text record_path(const Text& target_path);
std::optional<PartialRecord> read_record(const Text& target_path);
// Write-then-rename. Refuses (false) to replace a file that is not a record.
bool write_record(const Text& target_path, const PartialRecord& record);
void remove_record(const Text& target_path);

// The file a task writes.
struct Target {
  Text name;  // the file name used: the wanted one, or "NAME (1).EXT", "NAME (2).EXT"…
  Text path;  // folder + name
  bool own_partial = false;    // the file exists and its record names this task's link
  int64_t partial_size = 0;    // its size then
  int64_t expected_size = -1;  // from its record
};

// The first of NAME, "NAME (1).EXT", "NAME (2).EXT"… in `folder` that is free
// or holds this task's own partial file. A name counts as taken by any file
// (or folder) whose record does not name `key`, and by any record spot taken
// by something other than a record. `name` should already be safe.
Target choose_target(const Text& folder, const Text& name, const Text& key);

}  // namespace quarrow::download
