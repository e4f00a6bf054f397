// A small HTTP/1.1 server: one thread per connection, keep-alive, request
// header lines kept exactly as received (name case and order), bodies by
// Content-Length or chunked, and responses from memory or streamed from a file.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace qs {

struct HttpRequest {
  std::string method;
  std::string target;   // as sent on the request line
  std::string version;  // "HTTP/1.1" or "HTTP/1.0"
  std::string path;     // target up to '?', not decoded
  std::string query;    // after the first '?', not decoded
  std::vector<std::string> header_lines;  // without the line break, in order
  std::string body;                       // de-chunked
  std::string peer_ip;
  uint64_t connection = 0;  // sequence number of the connection on this server

  // First header of that name (case-insensitive), value trimmed.
  std::optional<std::string> header(std::string_view name) const;
  std::vector<std::string> headers(std::string_view name) const;
};

// An open file descriptor shared between the handler and the writer, so a file
// deleted while it is being sent still finishes.
class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle();
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int fd() const { return fd_; }
  static std::shared_ptr<FileHandle> open_read(const std::string& path);

 private:
  int fd_;
};

struct HttpResponse {
  int status = 200;
  std::vector<std::string> header_lines;  // "Name: value", sent as given
  std::string body;
  std::shared_ptr<FileHandle> file;  // when set, the body is file[offset, offset+length)
  uint64_t file_offset = 0;
  uint64_t file_length = 0;
  // Declared length kept, but the connection is closed after this many body bytes.
  std::optional<uint64_t> cut_after;
  // File bodies are sent at no more than this many bytes a second (0: as fast as possible).
  uint64_t rate = 0;
  bool close = false;

  void add_header(std::string_view name, std::string_view value);
  bool has_header(std::string_view name) const;

  static HttpResponse html(int status, std::string body);
  static HttpResponse json(std::string body);
  static HttpResponse text(int status, std::string body);
  static HttpResponse redirect(const std::string& location);
};

const char* reason_phrase(int status);

class HttpServer {
 public:
  using Handler = std::function<HttpResponse(const HttpRequest&)>;

  explicit HttpServer(Handler handler);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds and listens; port 0 picks a free one.
  bool listen(const std::string& ip, uint16_t port, std::string* error);
  uint16_t port() const { return port_; }
  void start();
  void stop();

  uint64_t connections_accepted() const { return connections_.load(); }
  uint64_t file_bytes_sent() const { return file_bytes_.load(); }
  void reset_counters();

  static constexpr size_t kMaxHeaderBytes = 64 * 1024;
  static constexpr size_t kMaxBodyBytes = 160ull * 1024 * 1024;

 private:
  struct Connection {
    int fd = -1;
    std::thread thread;
    bool done = false;
  };

  void accept_loop();
  void serve(Connection* conn, uint64_t seq, std::string peer);
  void reap(bool all);
  bool write_response(int fd, const HttpRequest* req, HttpResponse& resp);

  Handler handler_;
  int listen_fd_ = -1;
  uint16_t port_ = 0;
  std::thread accept_thread_;
  std::atomic<bool> running_{false};
  std::atomic<uint64_t> connections_{0};
  std::atomic<uint64_t> file_bytes_{0};
  std::atomic<uint64_t> next_conn_{0};
  std::mutex mutex_;
  std::list<Connection> conns_;
};

}  // namespace qs
