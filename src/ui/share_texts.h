// The share facts of a file or folder as the service answers them, and the
// share texts made of them.
#pragma once

#include <optional>

#include "util/json_doc.h"
#include "util/text.h"

namespace quarrow::ui {

struct ShareInfo {
  // Set when nothing can be shown: the message to show instead, which may be
  // empty (a refusal whose "info" is empty is still a refusal).
  std::optional<Text> failure;
  Text url;       // the folder's share link, or the file's base + "/" + key
  bool on = false;
  Text password;
};

// Reads get_folder_info (folder) or get_file_share_info (file) parsed as it came;
// `answered` false when no JSON came back. A file's key must be at least
// `min_key_length` characters long.
ShareInfo read_share_info(const util::JsonDoc& answer, bool answered, bool folder, size_t min_key_length);

// A file's link, with "\r\n密码:" and the password when it is on.
Text file_share_text(const Text& link, bool password_on, const Text& password);
// A folder's link; with the password on: "外链:" + link + "\r\n密码:" + password.
Text folder_share_text(const Text& url, bool password_on, const Text& password);

}  // namespace quarrow::ui
