#include "http_client.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace quarrow::test {

namespace {

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

size_t on_body(char* data, size_t size, size_t n, void* user) {
  static_cast<std::string*>(user)->append(data, size * n);
  return size * n;
}

size_t on_header(char* data, size_t size, size_t n, void* user) {
  auto* reply = static_cast<HttpReply*>(user);
  std::string_view line(data, size * n);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.rfind("HTTP/", 0) == 0) reply->header_lines.clear();  // a new response (after 100 or a redirect)
  else if (!line.empty()) reply->header_lines.emplace_back(line);
  return size * n;
}

void global_init() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

std::optional<std::string> HttpReply::header(std::string_view name) const {
  auto all = headers(name);
  if (all.empty()) return std::nullopt;
  return all.front();
}

std::vector<std::string> HttpReply::headers(std::string_view name) const {
  std::vector<std::string> out;
  for (const auto& line : header_lines) {
    size_t colon = line.find(':');
    if (colon != std::string::npos && iequals(std::string_view(line).substr(0, colon), name))
      out.emplace_back(trim(std::string_view(line).substr(colon + 1)));
  }
  return out;
}

std::string HttpReply::cookies() const {
  std::string out;
  for (const auto& v : headers("Set-Cookie")) {
    if (!out.empty()) out += "; ";
    out += v.substr(0, v.find(';'));
  }
  return out;
}

HttpReply http(const std::string& url, const HttpCall& call) {
  global_init();
  HttpReply reply;
  CURL* curl = curl_easy_init();
  if (!curl) {
    reply.error = "curl_easy_init failed";
    return reply;
  }
  curl_slist* headers = nullptr;
  for (const auto& h : call.headers) headers = curl_slist_append(headers, h.c_str());
  if (!call.cookie.empty()) headers = curl_slist_append(headers, ("Cookie: " + call.cookie).c_str());
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, call.timeout_seconds);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, call.follow_redirects ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, on_body);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, on_header);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply);
  if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  if (call.method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (call.method != "GET" || !call.body.empty()) {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, call.method.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, call.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(call.body.size()));
  }
  CURLcode rc = curl_easy_perform(curl);
  if (rc != CURLE_OK) reply.error = curl_easy_strerror(rc);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return reply;
}

HttpReply http_post(const std::string& url, const std::string& body, const std::string& cookie) {
  HttpCall call;
  call.method = "POST";
  call.body = body;
  call.cookie = cookie;
  call.headers = {"Content-Type: application/x-www-form-urlencoded"};
  return http(url, call);
}

std::string raw_exchange(uint16_t port, std::string_view request, int idle_ms, const char* source_ip) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return {};
  if (source_ip) {
    sockaddr_in src{};
    src.sin_family = AF_INET;
    ::inet_pton(AF_INET, source_ip, &src.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&src), sizeof src);
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  ::inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
  std::string out;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
    size_t sent = 0;
    while (sent < request.size()) {
      ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    char buf[65536];
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, idle_ms) <= 0) break;
      ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) break;
      out.append(buf, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  return out;
}

uint16_t port_of(const std::string& base_url) {
  size_t colon = base_url.rfind(':');
  return colon == std::string::npos ? 0 : static_cast<uint16_t>(std::atoi(base_url.c_str() + colon + 1));
}

std::string cut(std::string_view text, std::string_view left, std::string_view right) {
  size_t l = text.find(left);
  if (l == std::string_view::npos) return {};
  l += left.size();
  size_t r = text.find(right, l);
  if (r == std::string_view::npos) return {};
  return std::string(text.substr(l, r - l));
}

}  // namespace quarrow::test
