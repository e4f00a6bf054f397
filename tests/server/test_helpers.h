// What the client does with the emulator's pages, reduced to what these tests need.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarrow::test {

std::string sha256_hex(std::string_view data);

// Every piece between `left` and the next `right`; the next search starts just
// after the previous left marker, as the client's listing cuts folder pieces.
std::vector<std::string> all_between(std::string_view text, std::string_view left, std::string_view right);
std::string text_after_last(std::string_view text, std::string_view marker);

// The multipart body the client posts to /fileup.php, and its Content-Type line.
extern const char kUploadContentType[];
std::string client_upload_body(const std::string& folder_id, const std::string& name, const std::string& bytes);

// The client's walk from a single-file share link to the direct URL.
struct Resolved {
  std::string name, size, inf, zt, direct;
};
Resolved resolve_share_link(const std::string& share_base, const std::string& link, const std::string& password);

// Log-in form body as the client builds it (values not encoded).
std::string login_body(const std::string& user, const std::string& password);

}  // namespace quarrow::test
