// Plain HTTP helpers for tests: a libcurl call that returns status, raw header
// lines and body, and a raw TCP exchange for byte-exact requests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarrow::test {

struct HttpReply {
  long status = 0;                        // 0 when the transfer failed before a status line
  std::vector<std::string> header_lines;  // of the last response, without line breaks, status line excluded
  std::string body;
  std::string error;  // libcurl's message for a failed transfer, "" otherwise

  // First header of that name (case-insensitive), value trimmed.
  std::optional<std::string> header(std::string_view name) const;
  std::vector<std::string> headers(std::string_view name) const;
  // The "name=value" pairs of the Set-Cookie headers, joined by "; ".
  std::string cookies() const;
};

struct HttpCall {
  std::string method = "GET";
  std::string body;
  std::vector<std::string> headers;  // "Name: value" lines
  std::string cookie;                // sent as the Cookie header when not empty
  bool follow_redirects = false;
  long timeout_seconds = 60;
};

HttpReply http(const std::string& url, const HttpCall& call = {});
// A form POST (application/x-www-form-urlencoded), body sent as given.
HttpReply http_post(const std::string& url, const std::string& body, const std::string& cookie = {});

// Sends `request` as is over a new connection and returns every byte received
// until the server closes the connection or `idle_ms` pass without data.
std::string raw_exchange(uint16_t port, std::string_view request, int idle_ms = 2000,
                         const char* source_ip = nullptr);
uint16_t port_of(const std::string& base_url);

// The text between the first `left` after `from` and the next `right`; "" when missing.
std::string cut(std::string_view text, std::string_view left, std::string_view right);

}  // namespace quarrow::test
