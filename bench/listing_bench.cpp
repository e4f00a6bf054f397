// Listing a folder of 200 sub-folders and 2,000 files with 10 ms of service
// latency per request: one request after another, against the concurrent
// listing (folder information requests 8 at a time, file pages alongside).
#include <chrono>
#include <cstdio>

#include "disk/listing.h"
#include "net/endpoints.h"
#include "server_fixture.h"
#include "shell/login_state.h"

using namespace quarrow;
using Clock = std::chrono::steady_clock;

int main() {
  test::Emulator server;
  std::string account = "bench";
  server.create_account(account, "secret123");
  for (int i = 0; i < 200; ++i) server.create_folder(account, "folder " + std::to_string(i), -1, "desc");
  for (int i = 0; i < 2000; ++i) server.create_file(account, "file " + std::to_string(i) + ".txt", "x");
  net::set_endpoints(server.disk_url(), server.share_url());
  shell::set_cookie_text(server.create_session(account));
  server.add_fault({"latency", "10", "disk", "", 0});

  auto time = [](auto&& list) {
    auto start = Clock::now();
    disk::FolderListing listing = list();
    return std::make_pair(std::chrono::duration<double>(Clock::now() - start).count(), listing);
  };
  auto [sequential_s, sequential] = time([] { return disk::list_folder_sequentially("-1"); });
  auto [concurrent_s, concurrent] = time([] { return disk::list_folder("-1"); });
  bool same = sequential.folders == concurrent.folders && sequential.files == concurrent.files;

  std::printf("listing 200 folders + 2000 files, 10 ms latency per request\n");
  std::printf("  one after another: %.3f s\n", sequential_s);
  std::printf("  concurrent:        %.3f s\n", concurrent_s);
  std::printf("  ratio:             %.3f (target <= 0.40)\n", concurrent_s / sequential_s);
  std::printf("  texts identical:   %s\n", same ? "yes" : "NO");
  return same ? 0 : 1;
}
