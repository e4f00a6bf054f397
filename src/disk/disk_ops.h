// The task requests of the disk host: one POST to /doupload.php per operation.
// Each returns the answer as a Text ("" when nothing arrived). The cookie text
// is the caller's (updated in place with the answer's cookies); null or empty
// means a copy of the log-in cookie.
#pragma once

#include <optional>

#include "util/text.h"

namespace quarrow::disk {

// The common request: POST the form text to the task endpoint.
Text task_request(const Text& body, Text* cookie = nullptr);

Text create_folder(const Text& parent_id, const Text& name, const Text& description, Text* cookie = nullptr);
Text delete_folder(const Text& folder_id, Text* cookie = nullptr);
// A missing name or description is first looked up with get_folder_info.
Text edit_folder(const Text& folder_id, std::optional<Text> name, std::optional<Text> description,
                 Text* cookie = nullptr);
Text delete_file(const Text& file_id, Text* cookie = nullptr);
Text set_file_description(const Text& file_id, const Text& description, Text* cookie = nullptr);
Text get_file_info(const Text& file_id, Text* cookie = nullptr);
// A missing switch or password is first looked up with get_folder_info.
Text set_folder_password(const Text& folder_id, std::optional<Text> on_off, std::optional<Text> password,
                         Text* cookie = nullptr);
Text get_folder_info(const Text& folder_id, Text* cookie = nullptr);
Text get_file_share_info(const Text& file_id, Text* cookie = nullptr);
Text set_file_password(const Text& file_id, const Text& on_off, const Text& password, Text* cookie = nullptr);

// The disk's web pages, opened in the browser.
Text profile_page_url();
Text recycle_page_url();

}  // namespace quarrow::disk
