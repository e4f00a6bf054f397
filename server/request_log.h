// The log of requests received by the two hosts, for tests to read back.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "faults.h"
#include "http_server.h"

namespace qs {

struct LogEntry {
  uint64_t seq = 0;
  Host host = Host::disk;
  uint64_t connection = 0;
  std::string method;
  std::string target;
  std::string version;
  std::vector<std::string> header_lines;
  std::string body;  // at most kMaxBody bytes of it
  uint64_t body_size = 0;
};

class RequestLog {
 public:
  static constexpr size_t kMaxEntries = 10000;
  static constexpr size_t kMaxBody = 8 * 1024 * 1024;
  // Oldest entries go first once the kept bodies add up to more than this.
  static constexpr size_t kMaxTotalBody = 256 * 1024 * 1024;

  void add(Host host, const HttpRequest& req);
  std::vector<LogEntry> entries(std::optional<Host> host) const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::deque<LogEntry> entries_;
  uint64_t next_seq_ = 1;
  size_t body_bytes_ = 0;
};

}  // namespace qs
