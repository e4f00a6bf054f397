// Shared pieces of the share-import tests: one account per emulator that owns
// every shared file and folder, and helpers for links and the request log.
#pragma once

#include <string>
#include <vector>

#include "download/direct_link.h"
#include "download_support.h"
#include "e2e_fixture.h"
#include "util/codepage.h"

namespace quarrow::testing {

class ShareTest : public E2eTest {
 protected:
  static const std::string& account() {
    static std::string name, server_seen;
    const std::string server_id = disk_url() + "#" + std::to_string(server().pid());
    if (server_seen != server_id) {
      new_user("share", &name);
      server_seen = server_id;
    }
    return name;
  }

  static test::FileInfo share_file(const std::string& name, const std::string& bytes,
                                   const std::string& password = {}, int64_t folder = -1) {
    test::FileInfo f = server().create_file(account(), name, bytes, folder);
    if (!password.empty()) f = server().set_file_password(f.id, true, password);
    return f;
  }

  // Share links and URLs as the user pastes them (UTF-8).
  static std::string link_of(const test::FileInfo& f) { return share_url() + "/" + f.key; }
  static std::string link_of(const test::FolderInfo& f) { return share_url() + "/" + f.key; }

  // The file's direct URL as the share host hands it out.
  static std::string direct_of(const test::FileInfo& f, const std::string& password = {}) {
    Text name, size, error;
    Text url = download::resolve_direct_link(gbk(link_of(f)), gbk(password), name, size, error);
    EXPECT_FALSE(url.empty()) << u8(error);
    return u8(url);
  }

  static std::vector<test::LoggedRequest> share_requests(const std::string& prefix) {
    std::vector<test::LoggedRequest> out;
    for (auto& r : server().request_log(test::Host::share))
      if (r.target.rfind(prefix, 0) == 0) out.push_back(std::move(r));
    return out;
  }

  static std::string u8(const Text& text) { return util::gbk_to_utf8(text); }
  static Text gbk(const std::string& utf8) { return util::utf8_to_gbk_whole(utf8); }
};

}  // namespace quarrow::testing
