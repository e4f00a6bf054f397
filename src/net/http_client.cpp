#include "net/http_client.h"

#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace quarrow::net {
namespace {

// Answers to request operations are pages and JSON texts; anything larger than
// this held in memory is a broken or hostile server.
constexpr size_t kMaxBodyInMemory = 64u << 20;

thread_local const std::atomic<bool>* t_scope_cancel = nullptr;

void global_init() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Each thread keeps one handle, and with it curl's connection cache, so that the
// hundreds of small requests of a listing reuse their connections.
// The multi handle holds the connection cache; driving the transfer through it
// also lets a cancel flag end a request within a tenth of a second.
struct ThreadHandle {
  CURL* handle = nullptr;
  CURLM* multi = nullptr;
  bool busy = false;
  ~ThreadHandle() {
    if (handle) curl_easy_cleanup(handle);
    if (multi) curl_multi_cleanup(multi);
  }
};
thread_local ThreadHandle t_handle;

// `fresh` asks for an easy handle of its own (still on the thread's connection
// cache): a cookie engine's state would otherwise outlive the request.
class HandleLease {
 public:
  explicit HandleLease(bool fresh) {
    if (!t_handle.busy) {
      if (!t_handle.multi) t_handle.multi = curl_multi_init();
      multi_ = t_handle.multi;
      shared_ = true;
      t_handle.busy = true;
      if (fresh) {
        handle_ = curl_easy_init();
        own_handle_ = true;
      } else {
        if (!t_handle.handle) t_handle.handle = curl_easy_init();
        handle_ = t_handle.handle;
        curl_easy_reset(handle_);
      }
    } else {
      // A request made while another runs on this thread.
      handle_ = curl_easy_init();
      own_handle_ = true;
      multi_ = curl_multi_init();
    }
  }
  ~HandleLease() {
    if (own_handle_ && handle_) curl_easy_cleanup(handle_);
    if (shared_) t_handle.busy = false;
    else if (multi_) curl_multi_cleanup(multi_);
  }
  HandleLease(const HandleLease&) = delete;
  HandleLease& operator=(const HandleLease&) = delete;
  CURL* get() const { return handle_; }
  CURLM* multi() const { return multi_; }

 private:
  CURL* handle_ = nullptr;
  CURLM* multi_ = nullptr;
  bool shared_ = false;
  bool own_handle_ = false;
};

bool cancel_requested(const HttpRequest& request) {
  return (request.cancel && request.cancel->load()) || (t_scope_cancel && t_scope_cancel->load());
}

// Runs the transfer through the multi handle, looking at the cancel flags
// every 100 ms even while no data moves.
CURLcode run_transfer(const HandleLease& lease, const HttpRequest& request, HttpResponse& response) {
  CURLM* multi = lease.multi();
  if (curl_multi_add_handle(multi, lease.get()) != CURLM_OK) return CURLE_FAILED_INIT;
  int running = 1;
  CURLcode result = CURLE_OK;
  while (running) {
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_RECV_ERROR;
      break;
    }
    if (cancel_requested(request)) {
      response.cancelled = true;
      result = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    if (running) curl_multi_poll(multi, nullptr, 0, 100, nullptr);
  }
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi, &left))
    if (message->msg == CURLMSG_DONE && message->easy_handle == lease.get()) result = message->data.result;
  curl_multi_remove_handle(multi, lease.get());
  return result;
}

struct Transfer {
  const HttpRequest* request;
  HttpResponse* response;
  long current_status = 0;
  bool current_is_redirect = false;
  bool headers_done = false;
  bool has_location = false;
  bool too_large = false;
  int64_t uploaded = 0;

  bool is_followed_redirect(long status) const {
    return request->follow_redirects && has_location &&
           (status == 301 || status == 302 || status == 303 || status == 307 || status == 308);
  }
};

bool starts_with_ci(const std::string& s, const char* prefix) {
  size_t n = std::strlen(prefix);
  return s.size() >= n && strncasecmp(s.data(), prefix, n) == 0;
}

size_t on_header(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t n = size * count;
  std::string line(data, n);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  HttpResponse& r = *t->response;
  if (line.rfind("HTTP/", 0) == 0) {  // a new answer: a redirect, a 100 Continue, or the final one
    r.answered = true;
    r.status_line = line;
    r.header_lines.clear();
    t->current_status = std::atol(line.c_str() + line.find(' ') + 1);
    t->has_location = false;
    t->headers_done = false;
    return n;
  }
  if (!line.empty()) {
    if (starts_with_ci(line, "Location:")) t->has_location = true;
    r.header_lines.push_back(std::move(line));
    return n;
  }
  // End of a header block.
  t->current_is_redirect = t->is_followed_redirect(t->current_status);
  if (t->current_status >= 200 && !t->current_is_redirect && !t->headers_done) {
    t->headers_done = true;
    r.status = t->current_status;
    if (t->request->on_headers && !t->request->on_headers(r.status, r.header_lines)) {
      r.stopped_by_callback = true;
      return 0;
    }
  }
  return n;
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t n = size * count;
  if (t->current_is_redirect || t->current_status < 200) return n;
  HttpResponse& r = *t->response;
  r.body_bytes += static_cast<int64_t>(n);
  if (t->request->body_sink) {
    if (!t->request->body_sink(t->current_status, data, n)) {
      r.stopped_by_callback = true;
      return 0;
    }
    return n;
  }
  if (r.body.size() + n > kMaxBodyInMemory) {
    t->too_large = true;
    return 0;
  }
  r.body.append(data, n);
  return n;
}

size_t on_read(char* buffer, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t room = size * count;
  int64_t left = t->request->body_size - t->uploaded;
  if (left <= 0) return 0;
  if (static_cast<int64_t>(room) > left) room = static_cast<size_t>(left);
  size_t got = t->request->body_reader(buffer, room);
  if (got == 0) return CURL_READFUNC_ABORT;  // the source ended before the announced size
  t->uploaded += static_cast<int64_t>(got);
  return got;
}


std::string no_proxy_list() {
  std::string list = "localhost,127.0.0.1,::1";
  for (const char* name : {"no_proxy", "NO_PROXY"})
    if (const char* env = std::getenv(name); env && *env) return list + "," + env;
  return list;
}

}  // namespace

const std::atomic<bool>* current_cancel_flag() { return t_scope_cancel; }

CancelScope::CancelScope(const std::atomic<bool>* flag) : previous_(t_scope_cancel) { t_scope_cancel = flag; }
CancelScope::~CancelScope() { t_scope_cancel = previous_; }

HttpResponse http_perform(const HttpRequest& request) {
  global_init();
  HttpResponse response;
  HandleLease lease(request.cookie_engine);
  CURL* h = lease.get();
  if (!h) {
    response.malformed_url = true;
    return response;
  }
  Transfer transfer{&request, &response};

  curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, request.follow_redirects ? 1L : 0L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
  std::string no_proxy = no_proxy_list();
  curl_easy_setopt(h, CURLOPT_NOPROXY, no_proxy.c_str());
  if (!request.proxy.empty()) curl_easy_setopt(h, CURLOPT_PROXY, request.proxy.c_str());
  if (request.timeout_ms > 0) {
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.timeout_ms));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>((request.timeout_ms + 999) / 1000));
  }
  if (!request.user_agent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, request.user_agent.c_str());
  if (request.cookie_engine) curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
  if (request.receive_buffer) curl_easy_setopt(h, CURLOPT_BUFFERSIZE, static_cast<long>(request.receive_buffer));

  bool has_body = request.body_reader || !request.body.empty();
  if (request.method == "HEAD") {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  } else if (request.method == "GET" && !has_body) {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  } else {
    if (request.method != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    if (request.body_reader) {
      curl_easy_setopt(h, CURLOPT_READFUNCTION, on_read);
      curl_easy_setopt(h, CURLOPT_READDATA, &transfer);
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body_size));
    } else {
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
      curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
    }
  }

  curl_slist* headers = nullptr;
  for (const auto& line : request.header_lines) headers = curl_slist_append(headers, line.c_str());
  headers = curl_slist_append(headers, "Expect:");  // no 100-continue round trip
  // Only the caller's headers go out: no default Accept of curl's own.
  bool has_accept = false;
  for (const auto& line : request.header_lines) has_accept = has_accept || starts_with_ci(line, "Accept:") || starts_with_ci(line, "Accept;");
  if (!has_accept) headers = curl_slist_append(headers, "Accept:");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);

  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, on_header);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, on_body);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);

  CURLcode code = run_transfer(lease, request, response);
  curl_slist_free_all(headers);

  response.completed = code == CURLE_OK;
  if (code != CURLE_OK) {
    response.error = curl_easy_strerror(code);
    if (code == CURLE_URL_MALFORMAT || code == CURLE_UNSUPPORTED_PROTOCOL) response.malformed_url = true;
    if (transfer.too_large) response.error = "answer too large";
  }
  if (response.status == 0 && response.answered) response.status = transfer.current_status;
  return response;
}

}  // namespace quarrow::net
