// The emulated service: state, faults, request log and the two hosts' routes.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "faults.h"
#include "http_server.h"
#include "request_log.h"
#include "store.h"

namespace qs {

// Cookie names the disk host sets at log-in; the session cookie is checked on every disk request.
inline constexpr char kSessionCookie[] = "qr_sid";
inline constexpr char kUidCookie[] = "qr_uid";
inline constexpr char kPhpCookie[] = "PHPSESSID";
// Share key of the folder whose share page is the release page.
inline constexpr char kReleaseKey[] = "bquarrow";
// Allowed upload size: the client refuses larger files too.
inline constexpr uint64_t kMaxUpload = 100ull * 1024 * 1024;

class App {
 public:
  Store store;
  Faults faults;
  RequestLog log;
  bool test_mode = false;
  std::atomic<size_t> page_size{20};
  std::atomic<size_t> share_page_size{50};
  std::string disk_base;   // "http://127.0.0.1:PORT"
  std::string share_base;
  HttpServer* disk_server = nullptr;
  HttpServer* share_server = nullptr;
  std::atomic<uint64_t> disk_requests{0};
  std::atomic<uint64_t> share_requests{0};

  // Entry point of each host: logging, faults, then the host's routes.
  HttpResponse serve(Host host, const HttpRequest& req);

  // A keyed checksum (16 hex digits) for the tokens the share host hands out.
  std::string mac(std::string_view data) const;
  // The account of the request's session cookie, if the session is live.
  std::optional<std::string> session_account(const HttpRequest& req) const;
  // Stores a file: its bytes are written by `write` to the path it is given,
  // then the entry is registered. Fails when the folder is not the owner's.
  std::optional<StoredFile> add_file(StoredFile meta, const std::function<bool(const std::string& path)>& write);
  // Creates the release folder if it is missing.
  void ensure_release_folder();
  void seed_demo();
};

HttpResponse handle_disk(App& app, const HttpRequest& req);
HttpResponse handle_share(App& app, const HttpRequest& req);
HttpResponse handle_admin(App& app, const HttpRequest& req);

}  // namespace qs
