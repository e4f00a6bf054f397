// Shared pieces of the download tests: hashes, a fixture that points the client
// at the emulator with one shared account, and a one-shot server for answers
// the emulator cannot give.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "server_fixture.h"
#include "temp_dir.h"
#include "util/text.h"

namespace quarrow::testing {

std::string sha256_of(const std::string& bytes);
// "" when the file cannot be read.
std::string sha256_file(const std::filesystem::path& path);
// Of the first `size` bytes of a generated file, computed in pieces.
std::string sha256_generated(test::Pattern pattern, uint64_t size);

class DownloadTest : public test::ServerFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The account every shared file of the suite belongs to.
  static const std::string& account();

  struct Shared {
    test::FileInfo file;
    Text link;             // its share page
    std::string sha256;    // of its bytes
  };
  // A shared file with the given bytes, or generated content of `size` bytes.
  static Shared share_bytes(const std::string& name, const std::string& bytes, const std::string& password = {});
  static Shared share_generated(const std::string& name, uint64_t size, const std::string& password = {},
                                test::Pattern pattern = test::Pattern::dense);
  // Its direct URL, through the share pages.
  static Text direct_url(const Shared& shared, const std::string& password = {});
  // A share link that leads nowhere on the emulator.
  static Text dead_link();

  // Requests of the share host whose target starts with the prefix.
  static std::vector<test::LoggedRequest> share_requests(const std::string& prefix);

  // The save folder of the test, and the run directory.
  TempDir dir_;
  TempDir run_dir_;
};

// Answers one connection with the given bytes, exactly, then closes it.
class CannedServer {
 public:
  explicit CannedServer(std::string answer);
  ~CannedServer();
  CannedServer(const CannedServer&) = delete;
  CannedServer& operator=(const CannedServer&) = delete;

  std::string url(const std::string& path = "/file.bin") const;
  // The request as received (its head), once answered.
  std::string request();

 private:
  int listener_ = -1;
  int port_ = 0;
  std::string answer_;
  std::string request_;
  std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
int closed_port();

}  // namespace quarrow::testing
