#include "share/share_import.h"

#include <chrono>
#include <ctime>
#include <string>

#include "download/direct_link.h"
#include "download/ke_suffix.h"
#include "net/endpoints.h"
#include "net/http_client.h"
#include "net/url_parts.h"
#include "net/web_request.h"
#include "util/codepage.h"
#include "util/file_types.h"
#include "util/json_doc.h"
#include "util/text_search.h"

namespace quarrow::share {
namespace {

const Text& password_marker() {
  static const Text marker = "密码:"_t;
  return marker;
}

// Pasted text comes with the line breaks of wherever it was copied from.
Text with_crlf_breaks(const Text& text) {
  Text out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

Text share_get(const Text& url) {
  Text headers = net::kDiskHostHeader;
  net::WebRequestOptions o;
  o.headers = &headers;
  return util::utf8_to_gbk(net::web_request(url, o));
}

Text share_post(const Text& url, const Text& body) {
  Text headers = net::kDiskHostHeader;
  net::WebRequestOptions o;
  o.method = 1;
  o.body = body;
  o.headers = &headers;
  return util::utf8_to_gbk(net::web_request(url, o));
}

bool is_ip_or_single_label(const Text& host) {
  if (host.empty() || host.front() == '[') return true;  // an IPv6 literal
  if (host.find('.') == Text::npos) return true;         // localhost and the like
  for (char c : host)
    if (c != '.' && (c < '0' || c > '9')) return false;
  return true;
}

FoundFile found(Text name, bool smart_ke, const Text& size, const Text& link, const Text& password,
                const Text& direct) {
  if (smart_ke) name = download::strip_ke_suffix(name);
  return {name, util::file_extension(name), size, link, password, direct};
}

void parse_single_file(const Text& line, bool smart_ke, const std::function<void(const FoundFile&)>& report) {
  const LinkAndPassword lp = split_password(line);
  Text name, size, error;
  const Text direct = download::resolve_direct_link(lp.link, lp.password, name, size, error);
  report(found(name, smart_ke, size, lp.link, lp.password, direct));
}

void parse_folder(const Text& line, bool smart_ke, const std::function<void(const FoundFile&)>& report) {
  const LinkAndPassword lp = split_password(line);
  util::JsonDoc doc;
  doc.parse(list_share_folder(lp.link, lp.password));
  const int n = doc.count("text");
  const Text host = net::share_host();
  for (int i = 0; i < n; ++i) {
    if (const auto* cancel = net::current_cancel_flag(); cancel && cancel->load()) return;
    const Text entry = "text[" + std::to_string(i) + "]";
    const Text name = doc.get_text(entry + "['name_all']");
    const Text size = doc.get_text(entry + ".size");
    const Text link = folder_entry_link(host, doc.get_text(entry + ".id"));
    Text ignored_name, ignored_size, error;
    const Text direct = download::resolve_direct_link(link, "", ignored_name, ignored_size, error);
    report(found(name, smart_ke, size, link, "", direct));
  }
}

void parse_direct(const Text& line, bool smart_ke, const std::function<void(const FoundFile&)>& report) {
  report(found(direct_url_name(line), smart_ke, "未知"_t, "", "", line));
}

}  // namespace

std::vector<Text> share_lines(const Text& pasted) {
  Text text = with_crlf_breaks(pasted);
  text = util::replace_all(text, "\r\n："_t, ":");
  text = util::replace_all(text, "\r\n" + password_marker(), password_marker());
  return util::split_text(text, "\r\n");
}

LinkAndPassword split_password(const Text& line) {
  LinkAndPassword lp;
  lp.link = util::text_before(line, password_marker());
  if (lp.link.empty()) lp.link = line;
  lp.password = util::text_after_last(line, password_marker());
  return lp;
}

Text share_domain(const Text& share_host_url) {
  const Text host_and_port = net::url_host(share_host_url, true);
  Text host = host_and_port, port;
  if (host.empty() || host.front() != '[') {
    if (size_t colon = host.find(':'); colon != Text::npos) {
      port = host.substr(colon);
      host.resize(colon);
    }
  }
  if (is_ip_or_single_label(host)) return host_and_port;
  const size_t last_dot = host.rfind('.');
  const size_t dot = last_dot == 0 ? Text::npos : host.rfind('.', last_dot - 1);
  return (dot == Text::npos ? host : host.substr(dot + 1)) + port;
}

LineKind line_kind(const Text& line, const Text& domain) {
  if (util::contains(line, domain + "/i", true)) return LineKind::single_file;
  if (util::contains(line, domain + "/b", true)) return LineKind::folder;
  return LineKind::direct;
}

Text folder_entry_link(const Text& share_host_url, const Text& id) {
  Text base = share_host_url;
  if (const size_t scheme = base.find("://"); scheme != Text::npos) base = base.substr(scheme + 3);
  while (!base.empty() && base.back() == '/') base.pop_back();
  return "http://" + base + "/" + id;
}

Text list_share_folder(const Text& link, const Text& password) {
  const Text page = share_get(link);
  using util::text_between;
  const Text lx = text_between(page, "'lx':", ",");
  const Text fid = text_between(page, "'fid':", ",");
  const Text uid = text_between(page, "'uid':'", "'");
  const Text pg_name = text_between(page, "'pg':", ",");
  const Text rep = text_between(page, "'rep':'", "'");
  const Text t_name = text_between(page, "'t':", ",");
  const Text k_name = text_between(page, "'k':", ",");
  const Text up = text_between(page, "'up':", ",");
  const Text ls = text_between(page, "'ls':", ",");
  const Text pg = text_between(page, pg_name + " =", ";");
  const Text t = text_between(page, t_name + " = '", "'");
  const Text k = text_between(page, k_name + " = '", "'");
  // A page that names no endpoint (unreachable, or not a folder page) still
  // gets its listing request, sent to the share host itself; the answer then
  // holds no "text" array and the folder gives no rows.
  const Text path = text_between(page, "url : '", "'");
  const Text body = "lx=" + lx + "&fid=" + fid + "&uid=" + uid + "&pg=" + pg + "&rep=" + rep + "&t=" + t +
                    "&k=" + k + "&up=" + up + "&ls=" + ls + "&pwd=" + password;
  return share_post(net::share_host() + path, body);
}

Text header_file_name(const Text& url) {
  // Only a full web address is opened; anything else a pasted line may hold
  // would otherwise be guessed into a host name and looked up.
  const Text lower = util::ascii_lower(url.substr(0, 8));
  if (lower.rfind("http://", 0) != 0 && lower.rfind("https://", 0) != 0) return {};
  net::HttpRequest request;
  request.url = util::gbk_to_utf8(url);
  Text name;
  // The headers are all that is needed: the transfer ends before the body.
  request.on_headers = [&name](long, const std::vector<std::string>& lines) {
    std::string raw;
    for (const auto& line : lines) raw += line + "\r\n";
    // Servers send the name's bytes as UTF-8; markers are searched in the Text.
    name = util::text_between(util::utf8_to_gbk(raw), "filename=\"", "\"");
    return false;
  };
  net::http_perform(request);
  return name;
}

Text last_path_segment(const Text& url) {
  const std::vector<Text> pieces = util::split_text(url, "/");
  return pieces.empty() ? Text() : pieces.back();
}

Text timestamp_text_at(long long seconds, int milliseconds) {
  Text ms = std::to_string(milliseconds);
  Text text = std::to_string(seconds) + Text(ms.size() < 3 ? 3 - ms.size() : 0, '0') + ms;
  if (text.size() < 13) text.append(13 - text.size(), '0');
  return text;
}

Text timestamp_text() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  // Local wall-clock seconds since the local 1970-01-01 08:00:00.
  const long long seconds = static_cast<long long>(timegm(&local)) - 8 * 3600;
  const int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return timestamp_text_at(seconds, ms);
}

Text direct_url_name(const Text& url) {
  Text name = header_file_name(url);
  if (name.empty()) name = util::text_between(url, "/", "?");
  if (name.empty()) name = last_path_segment(url);
  if (name.empty()) name = "未知文件"_t + timestamp_text();
  if (util::contains(name, "/")) {
    name = util::text_after_last(name, "/");
    if (name.empty()) name = "未知文件"_t + timestamp_text();
  }
  return name;
}

void parse_share_text(const Text& pasted, bool smart_ke, const std::function<void(const FoundFile&)>& report) {
  const Text domain = share_domain(net::share_host());
  for (const Text& line : share_lines(pasted)) {
    if (line.empty()) continue;
    if (const auto* cancel = net::current_cancel_flag(); cancel && cancel->load()) return;
    switch (line_kind(line, domain)) {
      case LineKind::single_file: parse_single_file(line, smart_ke, report); break;
      case LineKind::folder: parse_folder(line, smart_ke, report); break;
      case LineKind::direct: parse_direct(line, smart_ke, report); break;
    }
  }
}

std::vector<FoundFile> parse_share_text(const Text& pasted, bool smart_ke) {
  std::vector<FoundFile> files;
  parse_share_text(pasted, smart_ke, [&files](const FoundFile& f) { files.push_back(f); });
  return files;
}

}  // namespace quarrow::share
