// InetRequest: the second request operation, used for the first fetch of a
// share page and for the upload. Its raw response-header text starts with the
// status line and holds at most 5,000 bytes.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "util/text.h"

namespace quarrow::net {

struct InetRequestOptions {
  std::optional<int> method;
  std::optional<Text> body;
  Text* cookie = nullptr;            // sent when not empty; merged afterwards
  Text* cookies_out = nullptr;
  Text* headers = nullptr;           // completed in place
  Text* response_headers = nullptr;  // raw, status line first; 5,000 spaces when longer or on failure
  std::optional<bool> no_redirect;
  std::string* body_bytes = nullptr; // in and out: filled with the bytes of `body` when empty
  std::optional<Text> proxy;
  std::optional<bool> auto_merge;
  // Streams a large body (the upload) instead of body_bytes: head, then `size`
  // bytes from the reader, then tail.
  std::function<size_t(char* buffer, size_t size)> body_reader;
  int64_t body_size = -1;
  const std::atomic<bool>* cancel = nullptr;
};

std::string inet_request(const Text& url, const InetRequestOptions& options = {});

// The agent name InetRequest opens its session with.
Text inet_agent_name(const Text& headers);
// The header text as InetRequest completes it.
Text complete_inet_headers(const Text& headers, const Text& url, int method, const Text& cookie);

// The "Location" of the answer to a plain GET of the URL (not followed); "" when
// there is none or the request fails. `answered` tells the two apart.
Text redirect_target(const Text& url, bool* answered = nullptr);

}  // namespace quarrow::net
