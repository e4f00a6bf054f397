#include "request_log.h"

namespace qs {

void RequestLog::add(Host host, const HttpRequest& req) {
  LogEntry e;
  e.host = host;
  e.connection = req.connection;
  e.method = req.method;
  e.target = req.target;
  e.version = req.version;
  e.header_lines = req.header_lines;
  e.body = req.body.substr(0, kMaxBody);
  e.body_size = req.body.size();
  std::lock_guard<std::mutex> lock(mutex_);
  e.seq = next_seq_++;
  body_bytes_ += e.body.size();
  entries_.push_back(std::move(e));
  while (entries_.size() > kMaxEntries || (body_bytes_ > kMaxTotalBody && entries_.size() > 1)) {
    body_bytes_ -= entries_.front().body.size();
    entries_.pop_front();
  }
}

std::vector<LogEntry> RequestLog::entries(std::optional<Host> host) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<LogEntry> out;
  for (const auto& e : entries_)
    if (!host || e.host == *host) out.push_back(e);
  return out;
}

void RequestLog::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
  body_bytes_ = 0;
}

}  // namespace qs
