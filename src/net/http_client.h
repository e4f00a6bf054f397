// One HTTP exchange over libcurl. The request operations of this folder build on
// it; it knows nothing of their header and cookie rules.
//
// Connections are reused between calls on the same thread (each thread keeps one
// curl handle), and any call can be cancelled from another thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quarrow::net {

struct HttpRequest {
  std::string url;     // UTF-8
  std::string method = "GET";
  std::vector<std::string> header_lines;  // "Name: value"; "Name;" sends an empty value
  std::string user_agent;                 // "" sends none
  std::string body;                       // sent for every method but GET and HEAD, or when not empty
  // Streams the body instead: called for up to `size` bytes, returns the number
  // written into `buffer` (0 at the end). body_size must then be given.
  std::function<size_t(char* buffer, size_t size)> body_reader;
  int64_t body_size = -1;
  bool follow_redirects = true;
  int timeout_ms = 15000;  // for connecting and for a stalled transfer; 0: none
  std::string proxy;       // "" leaves the proxy setting alone (loopback never uses one)
  bool cookie_engine = false;  // cookies kept across the redirects of this one request
  // Receives the final answer's body as it arrives, with its status; returning
  // false ends the transfer. Without a sink the body is collected in memory.
  std::function<bool(long status, const char* data, size_t size)> body_sink;
  // Called once the final answer's headers are in; returning false ends the transfer.
  std::function<bool(long status, const std::vector<std::string>& header_lines)> on_headers;
  size_t receive_buffer = 0;  // 0: curl's default
  const std::atomic<bool>* cancel = nullptr;
};

struct HttpResponse {
  bool completed = false;      // the exchange ran to its end
  bool answered = false;       // the server sent at least a status line
  bool malformed_url = false;  // the request could not even be started
  bool cancelled = false;
  bool stopped_by_callback = false;
  long status = 0;
  std::string status_line;                // e.g. "HTTP/1.1 200 OK", of the final answer
  std::vector<std::string> header_lines;  // of the final answer, as received, without CR LF
  std::string body;                       // when no sink was given
  int64_t body_bytes = 0;                 // bytes of the final answer's body received
  std::string error;                      // curl's description of a failure
};

HttpResponse http_perform(const HttpRequest& request);

// While alive, every request made on this thread is cancelled as soon as the flag
// is set (for workers that make several requests in one operation).
// The flag of the innermost CancelScope of this thread, or null.
const std::atomic<bool>* current_cancel_flag();

class CancelScope {
 public:
  explicit CancelScope(const std::atomic<bool>* flag);
  ~CancelScope();
  CancelScope(const CancelScope&) = delete;
  CancelScope& operator=(const CancelScope&) = delete;

 private:
  const std::atomic<bool>* previous_;
};

}  // namespace quarrow::net
