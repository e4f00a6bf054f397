// End-to-end tests: the emulator started once per suite, and the client's
// endpoints pointed at it.
#pragma once

#include <string>
#include <vector>

#include "net/endpoints.h"
#include "server_fixture.h"
#include "shell/login_state.h"
#include "shell/run_dir.h"
#include "temp_dir.h"

namespace quarrow::testing {

class E2eTest : public test::ServerFixture {
 protected:
  void SetUp() override {
    test::ServerFixture::SetUp();
    net::set_endpoints(disk_url(), share_url());
    shell::set_run_dir(run_dir_.text());
    shell::set_cookie_text("");
    shell::set_account_name("");
  }

  // A fresh account with a live session that the client's log-in state uses.
  std::string log_in_new_user(const std::string& prefix) {
    std::string account;
    std::string cookie = new_user(prefix, &account);
    shell::set_cookie_text(cookie);
    shell::set_account_name(account);
    return account;
  }

  // The header lines of a logged request without those the transport adds
  // by itself (Host, Content-Length).
  static std::vector<std::string> own_header_lines(const test::LoggedRequest& r) {
    std::vector<std::string> lines;
    for (const auto& line : r.header_lines)
      if (line.rfind("Host:", 0) != 0 && line.rfind("Content-Length:", 0) != 0) lines.push_back(line);
    return lines;
  }

  TempDir run_dir_;
};

}  // namespace quarrow::testing
