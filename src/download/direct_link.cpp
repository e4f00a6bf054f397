#include "download/direct_link.h"


#include "net/endpoints.h"
#include "net/inet_request.h"
#include "net/web_request.h"
#include "util/codepage.h"
#include "util/json_doc.h"
#include "util/text_codec.h"
#include "util/text_search.h"

namespace quarrow::download {
namespace {

Text second_level_error() { return "获取失败：获取二级跳转链接为空！"_t; }

// A share-site page or answer as a Text; `answered` false when nothing came back.
Text share_get(const Text& url, bool& answered) {
  Text headers = net::kDiskHostHeader;
  int status = 0;
  net::WebRequestOptions o;
  o.headers = &headers;
  o.status = &status;
  std::string body = net::web_request(url, o);
  answered = status != 0;
  return util::utf8_to_gbk(body);
}

Text share_post(const Text& url, const Text& form, bool& answered) {
  Text headers = net::kDiskHostHeader;
  int status = 0;
  net::WebRequestOptions o;
  o.method = 1;
  o.body = form;
  o.headers = &headers;
  o.status = &status;
  std::string body = net::web_request(url, o);
  answered = status != 0;
  return util::utf8_to_gbk(body);
}

}  // namespace

Text resolve_direct_link(const Text& link, const Text& password, Text& name, Text& size, Text& error,
                         bool* answered_out) {
  bool answered = true;
  auto report = [&](Text result) {
    if (answered_out) *answered_out = answered;
    return result;
  };

  Text headers = net::kDiskHostHeader, raw_headers;
  net::InetRequestOptions first;
  first.headers = &headers;
  first.response_headers = &raw_headers;
  std::string page_bytes = net::inet_request(link, first);
  // Headers too long for the raw text come back as spaces, but then a body came too.
  answered = raw_headers.rfind("HTTP/", 0) == 0 || !page_bytes.empty();
  const Text page = util::utf8_to_gbk(page_bytes);

  const Text frame = util::text_between(page, "src=\"/fn", "\"");
  Text form, path;
  if (!frame.empty()) {
    // The title is HTML text: "a&amp;b.txt" names the file a&b.txt.
    name = util::html_unescape(util::replace_all(util::text_between(page, "<title>", "</title>"), " - Quarrow", ""));
    size = util::text_between(page, "文件大小：</span>"_t, "<br>");
    bool frame_answered = true;
    const Text frame_page = share_get(net::share_host() + "/fn" + frame, frame_answered);
    answered = answered && frame_answered;
    path = util::text_between(frame_page, "url : '", "'");
    if (path.empty()) {
      error = second_level_error();
      return report({});
    }
    form = "action=" + util::text_between(frame_page, "'action':'", "'") +
           "&sign=" + util::text_between(frame_page, "'sign':'", "'") + "&p=" + password;
  } else {
    size = util::text_between(page, "大小："_t, "<");
    form = util::text_between(page, "data : '", "'") + password;
    path = util::text_between(page, "url : '", "'");
    if (path.empty()) {
      error = second_level_error();
      return report({});
    }
  }

  bool endpoint_answered = true;
  // The answer is UTF-8 like every other, so a name in "inf" arrives whole.
  const Text answer = share_post(net::share_host() + path, form, endpoint_answered);
  answered = answered && endpoint_answered;
  util::JsonDoc doc;
  doc.parse(answer);
  const Text zt = doc.get_text("zt");
  const Text inf = doc.get_text("inf");
  if (name.empty()) name = inf;
  if (zt != "1") {
    error = "获取失败：获取三级跳转链接为空！\r\n"_t + inf;
    return report({});
  }
  const Text target = doc.get_text("dom") + "/file/" + doc.get_text("url");
  bool last_answered = true;
  Text direct = net::redirect_target(target, &last_answered);
  answered = answered && last_answered;
  return report(direct);
}

}  // namespace quarrow::download
