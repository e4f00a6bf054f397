#include "http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/sendfile.h>

#include <chrono>
#include <thread>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace qs {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool is_token_char(char c) {
  if (c >= '0' && c <= '9') return true;
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  return std::strchr("!#$%&'*+-.^_`|~", c) != nullptr && c != '\0';
}

bool is_token(std::string_view s) {
  if (s.empty()) return false;
  return std::all_of(s.begin(), s.end(), is_token_char);
}

// Splits "Name: value"; false when the line has no colon or a bad name.
bool split_header(std::string_view line, std::string_view& name, std::string_view& value) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  name = line.substr(0, colon);
  value = trim(line.substr(colon + 1));
  return is_token(name);
}

bool send_all(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string http_date() {
  char buf[64];
  time_t now = time(nullptr);
  struct tm tm {};
  gmtime_r(&now, &tm);
  strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S GMT", &tm);
  return buf;
}

// Reads from the socket into buf; false on EOF, error or time-out.
bool fill(int fd, std::string& buf) {
  char chunk[65536];
  for (;;) {
    ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n > 0) {
      buf.append(chunk, static_cast<size_t>(n));
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

enum class ReadResult { ok, closed, bad, too_large };

// Ensures buf holds at least `need` bytes.
bool read_at_least(int fd, std::string& buf, size_t need) {
  while (buf.size() < need)
    if (!fill(fd, buf)) return false;
  return true;
}

bool parse_hex(std::string_view s, uint64_t& out) {
  if (s.empty() || s.size() > 15) return false;
  out = 0;
  for (char c : s) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else return false;
    out = out * 16 + static_cast<uint64_t>(v);
  }
  return true;
}

bool parse_dec(std::string_view s, uint64_t& out) {
  if (s.empty() || s.size() > 18) return false;
  out = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

// Reads a chunked body starting at buf[pos]; consumes it (and trailers) from buf.
ReadResult read_chunked(int fd, std::string& buf, size_t pos, std::string& body) {
  for (;;) {
    size_t eol;
    while ((eol = buf.find("\r\n", pos)) == std::string::npos) {
      if (buf.size() - pos > 1024) return ReadResult::bad;
      if (!fill(fd, buf)) return ReadResult::closed;
    }
    std::string_view line(buf.data() + pos, eol - pos);
    line = trim(line.substr(0, line.find(';')));
    uint64_t size;
    if (!parse_hex(line, size)) return ReadResult::bad;
    pos = eol + 2;
    if (size == 0) break;
    if (body.size() + size > HttpServer::kMaxBodyBytes) return ReadResult::too_large;
    if (!read_at_least(fd, buf, pos + size + 2)) return ReadResult::closed;
    body.append(buf, pos, size);
    if (buf.compare(pos + size, 2, "\r\n") != 0) return ReadResult::bad;
    pos += size + 2;
    // Keep the buffer from growing with the whole body.
    buf.erase(0, pos);
    pos = 0;
  }
  // Trailer section ends with an empty line.
  for (;;) {
    size_t eol;
    while ((eol = buf.find("\r\n", pos)) == std::string::npos) {
      if (buf.size() - pos > HttpServer::kMaxHeaderBytes) return ReadResult::bad;
      if (!fill(fd, buf)) return ReadResult::closed;
    }
    bool empty = eol == pos;
    pos = eol + 2;
    if (empty) break;
  }
  buf.erase(0, pos);
  return ReadResult::ok;
}

}  // namespace

std::optional<std::string> HttpRequest::header(std::string_view name) const {
  for (const auto& line : header_lines) {
    std::string_view n, v;
    if (split_header(line, n, v) && iequals(n, name)) return std::string(v);
  }
  return std::nullopt;
}

std::vector<std::string> HttpRequest::headers(std::string_view name) const {
  std::vector<std::string> out;
  for (const auto& line : header_lines) {
    std::string_view n, v;
    if (split_header(line, n, v) && iequals(n, name)) out.emplace_back(v);
  }
  return out;
}

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

std::shared_ptr<FileHandle> FileHandle::open_read(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_shared<FileHandle>(fd);
}

void HttpResponse::add_header(std::string_view name, std::string_view value) {
  std::string line(name);
  line += ": ";
  line += value;
  header_lines.push_back(std::move(line));
}

bool HttpResponse::has_header(std::string_view name) const {
  for (const auto& line : header_lines) {
    size_t colon = line.find(':');
    if (colon != std::string::npos && iequals(std::string_view(line).substr(0, colon), name)) return true;
  }
  return false;
}

HttpResponse HttpResponse::html(int status, std::string body) {
  HttpResponse r;
  r.status = status;
  r.add_header("Content-Type", "text/html; charset=utf-8");
  r.body = std::move(body);
  return r;
}

HttpResponse HttpResponse::json(std::string body) {
  HttpResponse r;
  r.add_header("Content-Type", "application/json; charset=utf-8");
  r.body = std::move(body);
  return r;
}

HttpResponse HttpResponse::text(int status, std::string body) {
  HttpResponse r;
  r.status = status;
  r.add_header("Content-Type", "text/plain; charset=utf-8");
  r.body = std::move(body);
  return r;
}

HttpResponse HttpResponse::redirect(const std::string& location) {
  HttpResponse r = html(302, "<html><body><a href=\"" + location + "\">Found</a></body></html>");
  r.add_header("Location", location);
  return r;
}

const char* reason_phrase(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 206: return "Partial Content";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 409: return "Conflict";
    case 413: return "Payload Too Large";
    case 416: return "Range Not Satisfiable";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    default: return "Unknown";
  }
}

HttpServer::HttpServer(Handler handler) : handler_(std::move(handler)) {}

HttpServer::~HttpServer() { stop(); }

bool HttpServer::listen(const std::string& ip, uint16_t port, std::string* error) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  if (::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) != 1) {
    if (error) *error = "bad address " + ip;
    ::close(fd);
    return false;
  }
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 128) != 0) {
    if (error) *error = std::strerror(errno);
    ::close(fd);
    return false;
  }
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  listen_fd_ = fd;
  return true;
}

void HttpServer::start() {
  running_ = true;
  accept_thread_ = std::thread([this] { accept_loop(); });
}

void HttpServer::stop() {
  if (!running_.exchange(false)) {
    if (listen_fd_ >= 0) {
      ::close(listen_fd_);
      listen_fd_ = -1;
    }
    return;
  }
  // shutdown() wakes a thread blocked in accept() or recv() on Linux.
  ::shutdown(listen_fd_, SHUT_RDWR);
  if (accept_thread_.joinable()) accept_thread_.join();
  ::close(listen_fd_);
  listen_fd_ = -1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& c : conns_)
      if (c.fd >= 0) ::shutdown(c.fd, SHUT_RDWR);
  }
  reap(true);
}

void HttpServer::reset_counters() {
  connections_ = 0;
  file_bytes_ = 0;
}

void HttpServer::reap(bool all) {
  std::list<Connection> finished;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = conns_.begin(); it != conns_.end();) {
      auto next = std::next(it);
      if (all || it->done) finished.splice(finished.end(), conns_, it);
      it = next;
    }
  }
  for (auto& c : finished)
    if (c.thread.joinable()) c.thread.join();
}

void HttpServer::accept_loop() {
  while (running_) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    int fd = ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (!running_) break;
      if (errno == EMFILE || errno == ENFILE) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        continue;
      }
      break;
    }
    ++connections_;
    reap(false);
    char ip[INET_ADDRSTRLEN] = {0};
    ::inet_ntop(AF_INET, &peer.sin_addr, ip, sizeof ip);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval tv{120, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    uint64_t seq = ++next_conn_;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) {
      ::close(fd);
      break;
    }
    conns_.emplace_back();
    Connection* conn = &conns_.back();
    conn->fd = fd;
    conn->thread = std::thread([this, conn, seq, peer_ip = std::string(ip)] { serve(conn, seq, peer_ip); });
  }
}

void HttpServer::serve(Connection* conn, uint64_t seq, std::string peer) {
  const int fd = conn->fd;
  std::string buf;
  auto answer_error = [&](int status) {
    HttpResponse r = HttpResponse::html(status, std::string("<html><body><h1>") + std::to_string(status) + " " +
                                                    reason_phrase(status) + "</h1></body></html>");
    r.close = true;
    write_response(fd, nullptr, r);
  };

  while (running_) {
    // Request line and header lines.
    size_t end;
    while ((end = buf.find("\r\n\r\n")) == std::string::npos) {
      if (buf.size() > kMaxHeaderBytes) {
        answer_error(431);
        goto done;
      }
      if (!fill(fd, buf)) goto done;
    }
    if (end > kMaxHeaderBytes) {
      answer_error(431);
      goto done;
    }
    {
      HttpRequest req;
      req.peer_ip = peer;
      req.connection = seq;
      std::string_view head(buf.data(), end);
      // Tolerate empty lines before the request line (RFC 9112 section 2.2).
      while (head.substr(0, 2) == "\r\n") head.remove_prefix(2);
      size_t eol = head.find("\r\n");
      std::string_view request_line = head.substr(0, eol);
      std::string_view rest = eol == std::string_view::npos ? std::string_view() : head.substr(eol + 2);

      size_t sp1 = request_line.find(' ');
      size_t sp2 = sp1 == std::string_view::npos ? sp1 : request_line.find(' ', sp1 + 1);
      if (sp2 == std::string_view::npos || request_line.find(' ', sp2 + 1) != std::string_view::npos) {
        answer_error(400);
        goto done;
      }
      req.method = request_line.substr(0, sp1);
      req.target = request_line.substr(sp1 + 1, sp2 - sp1 - 1);
      req.version = request_line.substr(sp2 + 1);
      bool bad_target = req.target.empty() ||
                        std::any_of(req.target.begin(), req.target.end(),
                                    [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f; });
      if (!is_token(req.method) || bad_target || (req.version != "HTTP/1.1" && req.version != "HTTP/1.0")) {
        answer_error(400);
        goto done;
      }
      while (!rest.empty()) {
        size_t e = rest.find("\r\n");
        std::string_view line = rest.substr(0, e);
        rest = e == std::string_view::npos ? std::string_view() : rest.substr(e + 2);
        std::string_view n, v;
        if (line.empty() || line[0] == ' ' || line[0] == '\t' || !split_header(line, n, v) ||
            line.find('\r') != std::string_view::npos || line.find('\n') != std::string_view::npos ||
            line.find('\0') != std::string_view::npos || req.header_lines.size() >= 256) {
          answer_error(400);
          goto done;
        }
        req.header_lines.emplace_back(line);
      }

      std::string t = req.target;
      if (t.rfind("http://", 0) == 0 || t.rfind("https://", 0) == 0) {
        size_t slash = t.find('/', t.find("//") + 2);
        t = slash == std::string::npos ? "/" : t.substr(slash);
      }
      size_t q = t.find('?');
      req.path = t.substr(0, q);
      req.query = q == std::string::npos ? std::string() : t.substr(q + 1);

      size_t pos = end + 4;
      // Body framing.
      auto te = req.header("Transfer-Encoding");
      auto cls = req.headers("Content-Length");
      bool chunked = false;
      uint64_t length = 0;
      if (te) {
        std::string_view tev = *te;
        size_t comma = tev.rfind(',');
        std::string_view last = trim(comma == std::string_view::npos ? tev : tev.substr(comma + 1));
        if (!iequals(last, "chunked")) {
          answer_error(501);
          goto done;
        }
        chunked = true;
      } else if (!cls.empty()) {
        for (const auto& cl : cls) {
          uint64_t v;
          if (!parse_dec(cl, v) || (&cl != &cls.front() && v != length)) {
            answer_error(400);
            goto done;
          }
          length = v;
        }
        if (length > kMaxBodyBytes) {
          answer_error(413);
          goto done;
        }
      }
      auto expect = req.header("Expect");
      if (expect && iequals(*expect, "100-continue") && req.version == "HTTP/1.1" && (chunked || length > 0) &&
          buf.size() == pos) {
        static const char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
        if (!send_all(fd, kContinue, sizeof kContinue - 1)) goto done;
      }
      if (chunked) {
        ReadResult r = read_chunked(fd, buf, pos, req.body);
        if (r == ReadResult::closed) goto done;
        if (r != ReadResult::ok) {
          answer_error(r == ReadResult::too_large ? 413 : 400);
          goto done;
        }
      } else {
        if (!read_at_least(fd, buf, pos + length)) goto done;
        req.body.assign(buf, pos, length);
        buf.erase(0, pos + length);
      }

      auto connection = req.header("Connection");
      bool keep_alive = req.version == "HTTP/1.1" ? !(connection && iequals(*connection, "close"))
                                                  : (connection && iequals(*connection, "keep-alive"));
      HttpResponse resp;
      try {
        resp = handler_(req);
      } catch (const std::exception&) {
        resp = HttpResponse::html(500, "<html><body><h1>500 Internal Server Error</h1></body></html>");
        resp.close = true;
      }
      if (!keep_alive) resp.close = true;
      else if (req.version == "HTTP/1.0" && !resp.close) resp.add_header("Connection", "keep-alive");
      if (!write_response(fd, &req, resp) || resp.close) goto done;
    }
  }
done:
  std::lock_guard<std::mutex> lock(mutex_);
  ::close(conn->fd);
  conn->fd = -1;
  conn->done = true;
}

bool HttpServer::write_response(int fd, const HttpRequest* req, HttpResponse& resp) {
  const bool head = req && req->method == "HEAD";
  const uint64_t body_length = resp.file ? resp.file_length : resp.body.size();
  std::string out = "HTTP/1.1 " + std::to_string(resp.status) + " " + reason_phrase(resp.status) + "\r\n";
  if (!resp.has_header("Date")) out += "Date: " + http_date() + "\r\n";
  out += "Server: quarrow-server\r\n";
  for (const auto& line : resp.header_lines) out += line + "\r\n";
  if (!resp.has_header("Content-Length")) out += "Content-Length: " + std::to_string(body_length) + "\r\n";
  if (resp.close) out += "Connection: close\r\n";
  out += "\r\n";

  uint64_t budget = resp.cut_after ? std::min(*resp.cut_after, body_length) : body_length;
  if (head) budget = 0;
  if (!resp.file) {
    out.append(resp.body, 0, static_cast<size_t>(budget));
    if (!send_all(fd, out.data(), out.size())) return false;
  } else {
    if (!send_all(fd, out.data(), out.size())) return false;
    off_t offset = static_cast<off_t>(resp.file_offset);
    uint64_t left = budget;
    // A rate limit sends a tenth of a second's worth at a time, then waits.
    const uint64_t slice = resp.rate ? std::max<uint64_t>(resp.rate / 10, 1) : (1u << 30);
    while (left > 0) {
      size_t step = static_cast<size_t>(std::min<uint64_t>(left, slice));
      ssize_t n = ::sendfile(fd, resp.file->fd(), &offset, step);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;  // error, or the file shrank under us
      left -= static_cast<uint64_t>(n);
      file_bytes_ += static_cast<uint64_t>(n);
      if (resp.rate && left > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  if (!head && resp.cut_after && *resp.cut_after < body_length) {
    resp.close = true;
    return false;
  }
  return true;
}

}  // namespace qs
