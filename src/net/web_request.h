// WebRequest: the one operation through which the client talks to the service.
// It completes the caller's header text with default headers, sends the cookie
// text and the body, returns the answer's body bytes and folds the cookies the
// answer set back into the caller's cookie text.
#pragma once

#include <atomic>
#include <optional>
#include <vector>
#include <string>

#include "util/text.h"

namespace quarrow::net {

// Parameters after the URL; an input left empty is "not given", an output left
// null is discarded. In-and-out Texts are updated in place.
struct WebRequestOptions {
  std::optional<int> method;          // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT
  std::optional<Text> body;           // sent when body_bytes is empty
  Text* cookie = nullptr;             // sent as "Cookie" (even when empty); receives the merged cookies
  Text* cookies_out = nullptr;        // the cookies the answer set
  Text* headers = nullptr;            // extra lines separated by CR LF; left completed
  Text* response_headers = nullptr;   // the answer's header lines, CR LF separated
  int* status = nullptr;
  std::optional<bool> no_redirect;
  std::optional<std::string> body_bytes;
  std::optional<Text> proxy;
  std::optional<int> timeout_seconds;  // -1: none; 0 or less: 15 s; for connecting and a stalled transfer
  std::optional<Text> proxy_user;
  std::optional<Text> proxy_password;
  std::optional<int> proxy_auth;       // 1: Basic credentials to the proxy
  std::optional<bool> auto_merge;
  const std::atomic<bool>* cancel = nullptr;
};

std::string web_request(const Text& url, const WebRequestOptions& options = {});

// The header text as WebRequest completes it (exposed for tests).
Text complete_web_headers(const Text& headers, const Text& url, int method);

// The method name of an index; outside 0 to 7 counts as 0.
const char* method_name(int method);

// Header lines of a CR LF separated text, split at their first ":" and trimmed,
// as "Name: value" lines for the transport.
std::vector<std::string> header_lines_of(const Text& headers);

}  // namespace quarrow::net
