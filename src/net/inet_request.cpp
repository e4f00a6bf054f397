#include "net/inet_request.h"

#include "net/cookies.h"
#include "net/http_client.h"
#include "net/url_parts.h"
#include "net/web_request.h"
#include "util/codepage.h"
#include "util/text_search.h"

namespace quarrow::net {
namespace {

constexpr size_t kRawHeaderLimit = 5000;
constexpr char kDefaultAgent[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

bool is_user_agent_line(const std::string& line) { return util::find_marker(line, "User-Agent", 0, true) == 0; }

}  // namespace

Text inet_agent_name(const Text& headers) {
  if (!util::contains(headers, "User-Agent:", true)) return kDefaultAgent;
  Text agent = util::trim(util::text_between(headers + "\r\n", "User-Agent:", "\r\n"));
  if (agent.empty()) {
    size_t colon = util::find_marker(headers, ":");
    agent = util::trim(colon == util::npos ? Text() : headers.substr(colon + 1));
  }
  return agent;
}

Text complete_inet_headers(const Text& headers, const Text& url, int method, const Text& cookie) {
  Text h = headers;
  if (h.empty()) h = "Accept: */*";
  else if (!util::contains(h, "Accept:")) h += "\r\nAccept: */*";
  if (!util::contains(h, "Referer:")) h += "\r\nReferer: " + url;
  if (!util::contains(h, "Accept-Language:")) h += "\r\nAccept-Language: zh-cn";
  if (method == 1 && !util::contains(h, "Content-Type:")) h += "\r\nContent-Type: application/x-www-form-urlencoded";
  if (!cookie.empty()) h += util::contains(cookie, "Cookie:") ? "\r\n" + cookie : "\r\nCookie: " + cookie;
  return h;
}

std::string inet_request(const Text& given_url, const InetRequestOptions& o) {
  const Text url = util::trim(given_url);  // blanks around a pasted link are no part of it
  int method = o.method.value_or(0);
  if (method < 0 || method > 7) method = 0;
  bool secure = util::ascii_lower(url.substr(0, 8)) == "https://";
  Text headers_in = o.headers ? *o.headers : Text();
  Text agent = inet_agent_name(headers_in);

  HttpRequest request;
  request.method = method_name(method);
  request.url = util::gbk_to_utf8((secure ? "https://" : "http://") + url_host(url, true) + url_path(url));
  request.follow_redirects = !o.no_redirect.value_or(false);
  request.proxy = util::gbk_to_utf8(o.proxy.value_or(""));
  request.cookie_engine = o.cookie == nullptr;  // the session's own cookie handling only without a cookie
  request.cancel = o.cancel;

  Text completed = complete_inet_headers(headers_in, url, method, o.cookie ? *o.cookie : Text());
  if (o.headers) *o.headers = completed;
  // One User-Agent goes out: the header text's own line, or the agent name.
  bool agent_line = false;
  for (auto& line : header_lines_of(completed)) {
    agent_line = agent_line || is_user_agent_line(line);
    request.header_lines.push_back(std::move(line));
  }
  if (!agent_line) request.user_agent = util::gbk_to_utf8(agent);

  if (method != 0) {
    if (o.body_reader) {
      request.body_reader = o.body_reader;
      request.body_size = o.body_size;
    } else {
      std::string bytes = o.body_bytes ? *o.body_bytes : std::string();
      if (bytes.empty()) bytes = util::gbk_to_utf8(o.body.value_or(""));
      if (o.body_bytes) *o.body_bytes = bytes;
      request.body = std::move(bytes);
    }
  }

  HttpResponse response = http_perform(request);
  if (response.malformed_url) return {};  // nothing opened: the outputs stay as they were

  Text raw;
  if (response.completed) {
    raw = util::utf8_to_gbk_whole(response.status_line) + "\r\n";
    for (const auto& line : response.header_lines) raw += util::utf8_to_gbk_whole(line) + "\r\n";
    raw += "\r\n";
  }
  if (!response.completed || raw.size() > kRawHeaderLimit) raw = Text(kRawHeaderLimit, ' ');
  if (o.response_headers) *o.response_headers = raw;

  Text collected = collect_set_cookies(raw);
  if (o.cookie && o.auto_merge.value_or(true)) merge_cookies(*o.cookie, collected);
  if (o.cookies_out) *o.cookies_out = collected;
  return std::move(response.body);
}

Text redirect_target(const Text& url, bool* answered) {
  HttpRequest request;
  request.url = util::gbk_to_utf8(util::trim(url));
  request.follow_redirects = false;
  request.timeout_ms = 5000;
  request.header_lines = {
      "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)",
      "Accept-Language: zh-cn",
      "Connection: Keep-Alive",
      "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
      "application/x-silverlight, */*",
  };
  HttpResponse response = http_perform(request);
  if (answered) *answered = response.answered;
  if (!response.completed) return {};
  for (const auto& line : response.header_lines) {
    if (util::find_marker(line, "Location:", 0, true) == 0) return util::utf8_to_gbk_whole(util::trim(line.substr(9)));
  }
  return {};
}

}  // namespace quarrow::net
