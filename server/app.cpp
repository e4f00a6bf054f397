#include "app.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "form.h"

namespace qs {

namespace {

void apply_cookie_faults(App& app, Host host, const std::string& path, HttpResponse& resp) {
  bool has_cookie = false;
  for (const auto& line : resp.header_lines)
    if (line.rfind("Set-Cookie: ", 0) == 0) has_cookie = true;
  if (has_cookie && app.faults.take("cookie_lowercase", host, path)) {
    for (auto& line : resp.header_lines)
      if (line.rfind("Set-Cookie: ", 0) == 0) line.replace(0, 10, "set-cookie");
  } else if (has_cookie && app.faults.take("cookie_nospace", host, path)) {
    for (auto& line : resp.header_lines)
      if (line.rfind("Set-Cookie: ", 0) == 0) line.erase(11, 1);
  }
  if (auto name = app.faults.take("cookie_deleted", host, path))
    resp.add_header("Set-Cookie", (name->empty() ? std::string(kSessionCookie) : *name) +
                                      "=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT; Max-Age=0; path=/");
}

}  // namespace

HttpResponse App::serve(Host host, const HttpRequest& req) {
  log.add(host, req);
  (host == Host::disk ? disk_requests : share_requests)++;
  if (auto ms = faults.take("latency", host, req.path)) {
    int64_t v = 0;
    if (parse_int(*ms, v) && v > 0) std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(v, 60000)));
  }
  HttpResponse resp = host == Host::disk ? handle_disk(*this, req) : handle_share(*this, req);
  if (faults.take("big_headers", host, req.path)) resp.add_header("X-Padding", std::string(6000, 'x'));
  apply_cookie_faults(*this, host, req.path, resp);
  return resp;
}

std::string App::mac(std::string_view data) const {
  // FNV-1a over secret and data, twice with different seeds: unguessable
  // enough for links in a test service, and stable across restarts.
  std::string secret = store.secret();
  auto fnv = [&](uint64_t h) {
    for (char c : secret) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    for (char c : data) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
  };
  char buf[17];
  std::snprintf(buf, sizeof buf, "%08llx", static_cast<unsigned long long>(fnv(14695981039346656037ull) >> 32));
  std::snprintf(buf + 8, sizeof buf - 8, "%08llx", static_cast<unsigned long long>(fnv(0x9e3779b97f4a7c15ull) >> 32));
  return buf;
}

std::optional<StoredFile> App::add_file(StoredFile meta,
                                        const std::function<bool(const std::string& path)>& write) {
  if (!store.folder_usable(meta.owner, meta.folder)) return std::nullopt;
  meta.id = store.reserve_id();
  const std::string path = store.file_path(meta.id);
  if (!write(path)) {
    ::unlink(path.c_str());
    return std::nullopt;
  }
  auto stored = store.register_file(meta);
  if (!stored) ::unlink(path.c_str());
  return stored;
}

std::optional<std::string> App::session_account(const HttpRequest& req) const {
  auto token = cookie_value(req.headers("Cookie"), kSessionCookie);
  if (!token || token->empty()) return std::nullopt;
  return store.session_account(*token);
}

}  // namespace qs
