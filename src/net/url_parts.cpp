#include "net/url_parts.h"

#include "util/text_search.h"

namespace quarrow::net {

Text url_host(const Text& url, bool keep_port) {
  Text lower = util::ascii_lower(url);
  if (lower.empty() || lower.back() != '/') lower += "/";
  Text scheme = "https://";
  if (lower.rfind("https://", 0) != 0) {
    if (!util::contains(lower, "http://")) lower = "http://" + lower;
    scheme = "http://";
  }
  Text host = util::text_between(lower, scheme, "/");
  if (!keep_port) {
    size_t colon = util::find_marker(host, ":");
    if (colon != util::npos) host.resize(colon);
  }
  return host;
}

int url_port(const Text& url) {
  Text host = url_host(url, true);
  size_t colon = host.rfind(':');
  if (util::find_marker(host, ":") == util::npos)
    return util::ascii_lower(url).rfind("https", 0) == 0 ? 443 : 80;
  return static_cast<int>(util::text_to_int(host.substr(colon + 1)));
}

Text url_path(const Text& url) {
  Text host = url_host(url);
  size_t at = util::find_marker(url, host, 0, true);
  size_t slash = at == util::npos ? util::npos : util::find_marker(url, "/", at);
  return slash == util::npos ? Text("/") : url.substr(slash);
}

}  // namespace quarrow::net
