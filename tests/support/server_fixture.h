// Starts quarrow-server (the emulated Quarrow service) for tests and drives
// its admin API. Every end-to-end test uses ServerFixture, or an Emulator of
// its own when it needs special start options (a data folder, a restart).
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http_client.h"
#include "json_value.h"

namespace quarrow::test {

enum class Host { disk, share };
enum class Pattern { dense, sparse };

// Generated file content exactly as the server writes it (server/README.md).
std::string generated_bytes(Pattern pattern, uint64_t offset, size_t length);

struct LoggedRequest {
  uint64_t seq = 0;
  std::string host;  // "disk" or "share"
  uint64_t connection = 0;  // the connection's sequence number on its host
  std::string method;
  std::string target;
  std::string version;
  std::vector<std::string> header_lines;  // as received: order and name case kept
  std::string body;                       // de-chunked; at most 8 MiB of it
  uint64_t body_size = 0;

  std::optional<std::string> header(std::string_view name) const;  // case-insensitive, trimmed
};

struct FolderInfo {
  int64_t id = 0;
  std::string owner;
  int64_t parent = -1;
  std::string name, des, pwd;
  bool onof = false;
  std::string key;  // share key: share_url() + "/" + key is the folder's share page
  bool deleted = false;
};

struct FileInfo {
  int64_t id = 0;
  std::string owner;
  int64_t folder = -1;
  std::string name, des, pwd;
  bool onof = false;
  std::string key;  // share key ("i..."): share_url() + "/" + key is the file's share page
  uint64_t size = 0;
  bool deleted = false;
  std::string path;  // where the bytes are stored
};

// Optional changes to a folder or file.
struct Changes {
  std::optional<std::string> name, des, pwd, key;
  std::optional<bool> onof;
};

struct Fault {
  Fault() = default;
  Fault(std::string kind_, std::string value_ = {}, std::string host_ = "any", std::string path_ = {}, int times_ = 0)
      : kind(std::move(kind_)), value(std::move(value_)), host(std::move(host_)), path(std::move(path_)), times(times_) {}

  std::string kind;  // latency, cut, ignore_range, status416, error_page, big_headers,
                     // cookie_lowercase, cookie_nospace, cookie_deleted
  std::string value;          // milliseconds, byte count, status, cookie name
  std::string host = "any";   // "disk", "share" or "any"
  std::string path;           // request path prefix; "" for every path
  int times = 0;              // uses before it expires; 0 for unlimited
};

struct Stats {
  uint64_t disk_connections = 0;  // accepted TCP connections
  uint64_t share_connections = 0;
  uint64_t disk_requests = 0;
  uint64_t share_requests = 0;
  uint64_t file_bytes_sent = 0;  // body bytes of direct file downloads
};

class Emulator {
 public:
  struct Options {
    std::string data_dir;  // "" for a temporary folder that is removed at stop
    bool seed_demo = false;
    int page_size = 0;  // 0 for the server's default (20)
  };

  explicit Emulator(const Options& options);
  Emulator() : Emulator(Options{}) {}
  ~Emulator();
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // Sends SIGTERM to the server and waits; returns its exit status (-1 when killed).
  int stop();

  const std::string& disk_url() const { return disk_url_; }
  const std::string& share_url() const { return share_url_; }
  const std::string& admin_url() const { return admin_url_; }

  int64_t create_account(const std::string& name, const std::string& password);
  FolderInfo create_folder(const std::string& account, const std::string& name, int64_t parent = -1,
                           const std::string& des = {});
  FileInfo create_file(const std::string& account, const std::string& name, const std::string& bytes,
                       int64_t folder = -1);
  FileInfo create_generated_file(const std::string& account, const std::string& name, uint64_t size,
                                 Pattern pattern = Pattern::dense, int64_t folder = -1);
  FolderInfo update_folder(int64_t id, const Changes& changes);
  FileInfo update_file(int64_t id, const Changes& changes);
  FolderInfo set_folder_password(int64_t id, bool on, const std::string& pwd);
  FileInfo set_file_password(int64_t id, bool on, const std::string& pwd);
  // A live session made without logging in: the Cookie text to send.
  std::string create_session(const std::string& account);
  // Ends the sessions of the account (every session for ""); returns how many.
  int expire_sessions(const std::string& account = {});

  JsonValue state();
  std::vector<FolderInfo> folders();
  std::vector<FileInfo> files();
  std::optional<FolderInfo> folder(int64_t id);
  std::optional<FileInfo> file(int64_t id);

  std::vector<LoggedRequest> request_log(std::optional<Host> host = std::nullopt);
  void clear_request_log();
  void add_fault(const Fault& fault);
  void clear_faults();
  Stats stats();
  void reset_stats();
  void set_page_size(int page_size, int share_page_size = 0);

  // A raw admin call: the answer's JSON, or null (and a test failure) on error.
  JsonValue admin(const std::string& method, const std::string& path_and_query, const std::string& body = {});

 private:
  pid_t pid_ = -1;
  int lifeline_ = -1;  // write end of the server's standard input
  std::string disk_url_, share_url_, admin_url_;
};

// One server for the whole test suite; each test starts with an empty request
// log, no faults and zeroed counters.
class ServerFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;

  static Emulator& server();
  static std::string disk_url() { return server().disk_url(); }
  static std::string share_url() { return server().share_url(); }

  // A fresh account (name unique within the run) with a live session; returns
  // the Cookie text to send.
  static std::string new_user(const std::string& prefix, std::string* account_name = nullptr,
                              const std::string& password = "secret123");

 private:
  static std::unique_ptr<Emulator> server_;
};

}  // namespace quarrow::test
