// HTML pages of the two hosts. Every text that comes from the state is
// HTML-escaped; the markers the client cuts values out with are fixed here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store.h"

namespace qs {

// Disk host. `account` is the logged-in account, or nothing for a visitor.
std::string message_page(const std::optional<std::string>& account, const std::string& title, const std::string& message);
std::string login_page(const std::string& message);
std::string register_page(const std::string& message);
std::string disk_home_page(const std::string& account);
std::string folder_page(const std::string& account, const std::vector<Folder>& path, const std::vector<Folder>& folders,
                        bool folder_missing);
std::string profile_page(const Account& account, size_t files, uint64_t bytes);
std::string recycle_page(const std::string& account, const std::vector<Folder>& folders,
                         const std::vector<StoredFile>& files);

// Share host.
std::string share_file_page(const StoredFile& file, const std::string& frame_query);
std::string share_password_page(const StoredFile& file, const std::string& sign);
std::string share_frame_page(const std::string& sign);
std::string share_folder_page(const Folder& folder, int64_t uid, const std::string& t, const std::string& k,
                              const std::vector<StoredFile>& files);
std::string share_missing_page();

}  // namespace qs
