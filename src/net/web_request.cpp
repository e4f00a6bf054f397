#include "net/web_request.h"

#include "net/cookies.h"
#include "net/http_client.h"
#include "util/base64.h"
#include "util/codepage.h"
#include "util/text_search.h"

namespace quarrow::net {

const char* method_name(int method) {
  static const char* const names[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  return names[(method >= 0 && method <= 7) ? method : 0];
}

Text complete_web_headers(const Text& headers, const Text& url, int method) {
  Text h = headers;
  if (h.empty()) h = "Accept: */*";
  else if (!util::contains(h, "Accept:")) h += "\r\nAccept: */*";
  if (!util::contains(h, "Referer:")) h += "\r\nReferer: " + url;
  if (!util::contains(h, "Accept-Language:")) h += "\r\nAccept-Language: zh-cn";
  if (!util::contains(h, "User-Agent:")) h += "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  if (method == 1) {
    h = util::replace_all(h, "content-type", "Content-Type");
    if (!util::contains(h, "Content-Type:")) h += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  return h;
}

std::vector<std::string> header_lines_of(const Text& headers) {
  std::vector<std::string> lines;
  for (const Text& line : util::split_text(headers, "\r\n")) {
    if (line.empty()) continue;
    size_t colon = util::find_marker(line, ":");
    if (colon == util::npos) continue;  // no name: nothing can be sent
    Text name = util::trim(line.substr(0, colon));
    Text value = util::trim(line.substr(colon + 1));
    if (name.empty()) continue;
    lines.push_back(util::gbk_to_utf8(value.empty() ? name + ";" : name + ": " + value));
  }
  return lines;
}

std::string web_request(const Text& url, const WebRequestOptions& o) {
  int method = o.method.value_or(0);
  if (method < 0 || method > 7) method = 0;
  int timeout = o.timeout_seconds.value_or(0);
  bool auto_merge = o.auto_merge.value_or(true);

  HttpRequest request;
  // Blanks around a pasted link are no part of it (a URL cannot hold them).
  request.url = util::gbk_to_utf8(util::trim(url));
  request.method = method_name(method);
  request.follow_redirects = !o.no_redirect.value_or(false);
  request.timeout_ms = timeout == -1 ? 0 : (timeout >= 1 ? timeout * 1000 : 15000);
  request.cancel = o.cancel;
  Text proxy = o.proxy.value_or("");
  request.proxy = util::gbk_to_utf8(proxy);

  if (!proxy.empty() && !o.proxy_user.value_or("").empty() && o.proxy_auth.value_or(1) == 1) {
    Text credentials = *o.proxy_user + ":" + o.proxy_password.value_or("");
    request.header_lines.push_back("Proxy-Authorization: Basic " + util::base64_encode(credentials));
  }

  Text completed = complete_web_headers(o.headers ? *o.headers : Text(), url, method);
  if (o.headers) *o.headers = completed;
  // The cookie is set before the header text's lines, and goes out in that order.
  if (o.cookie) {
    // "Cookie;" makes curl send the header with an empty value.
    request.header_lines.push_back(o.cookie->empty() ? std::string("Cookie;") : "Cookie: " + util::gbk_to_utf8(*o.cookie));
  }
  for (auto& line : header_lines_of(completed)) request.header_lines.push_back(std::move(line));

  if (o.body_bytes && !o.body_bytes->empty()) request.body = *o.body_bytes;
  else request.body = util::gbk_to_utf8(o.body.value_or(""));

  HttpResponse response = http_perform(request);

  Text header_text;
  for (const auto& line : response.header_lines) header_text += util::utf8_to_gbk_whole(line) + "\r\n";
  if (!response.completed) header_text.clear();
  if (o.response_headers) *o.response_headers = header_text;
  if (o.status) *o.status = response.completed ? static_cast<int>(response.status) : 0;

  Text collected = collect_set_cookies(header_text);
  if (o.cookie && auto_merge) merge_cookies(*o.cookie, collected);
  if (o.cookies_out) *o.cookies_out = collected;

  if (!response.completed) return {};
  return std::move(response.body);
}

}  // namespace quarrow::net
