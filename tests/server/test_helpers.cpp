#include "test_helpers.h"

#include <openssl/evp.h>

#include <cstdio>

#include "http_client.h"
#include "json_value.h"

namespace quarrow::test {

std::string sha256_hex(std::string_view data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  EVP_Digest(data.data(), data.size(), digest, &len, EVP_sha256(), nullptr);
  std::string out;
  char buf[3];
  for (unsigned int i = 0; i < len; ++i) {
    std::snprintf(buf, sizeof buf, "%02x", digest[i]);
    out += buf;
  }
  return out;
}

std::vector<std::string> all_between(std::string_view text, std::string_view left, std::string_view right) {
  std::vector<std::string> out;
  size_t c = 0;
  for (;;) {
    size_t l = text.find(left, c);
    if (l == std::string_view::npos) break;
    c = l + left.size();
    size_t r = text.find(right, c);
    if (r == std::string_view::npos) break;
    out.emplace_back(text.substr(c, r - c));
  }
  return out;
}

std::string text_after_last(std::string_view text, std::string_view marker) {
  size_t p = text.rfind(marker);
  return p == std::string_view::npos ? std::string() : std::string(text.substr(p + marker.size()));
}

const char kUploadContentType[] = "Content-Type: multipart/form-data; boundary=----WebKitFormBoundaryeGCDJwoQEiqYHenN";

std::string client_upload_body(const std::string& folder_id, const std::string& name, const std::string& bytes) {
  const std::string d = "------WebKitFormBoundaryeGCDJwoQEiqYHenN\r\n";
  auto field = [&](const std::string& n, const std::string& v) {
    return d + "Content-Disposition: form-data; name=\"" + n + "\"\r\n\r\n" + v + "\r\n";
  };
  // The date text ends in GBK, the only non-UTF-8 text of the form.
  const std::string date = "Sun Mar 01 2020 14:05:09 GMT+0800 (\xD6\xD0\xB9\xFA\xB1\xEA\xD7\xBC\xCA\xB1\xBC\xE4)";
  return field("task", "1") + field("folder_id", folder_id) + field("id", "WU_FILE_1") + field("name", name) +
         field("type", "application/octet-stream") + field("lastModifiedDate", date) +
         field("size", std::to_string(bytes.size())) + d +
         "Content-Disposition: form-data; name=\"upload_file\"; filename=\"" + name +
         "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + bytes +
         "\r\n------WebKitFormBoundaryeGCDJwoQEiqYHenN--";
}

Resolved resolve_share_link(const std::string& share_base, const std::string& link, const std::string& password) {
  Resolved out;
  const std::string page = http(link).body;
  const std::string frame = cut(page, "src=\"/fn", "\"");
  std::string body, path;
  if (!frame.empty()) {
    out.name = cut(page, "<title>", "</title>");
    if (size_t p = out.name.find(" - Quarrow"); p != std::string::npos) out.name.erase(p, 10);
    out.size = cut(page, "文件大小：</span>", "<br>");
    const std::string fpage = http(share_base + "/fn" + frame).body;
    path = cut(fpage, "url : '", "'");
    body = "action=" + cut(fpage, "'action':'", "'") + "&sign=" + cut(fpage, "'sign':'", "'") + "&p=" + password;
  } else {
    out.size = cut(page, "大小：", "<");
    body = cut(page, "data : '", "'") + password;
    path = cut(page, "url : '", "'");
  }
  if (path.empty()) return out;
  auto answer = JsonValue::parse(http_post(share_base + path, body).body);
  if (!answer) return out;
  const JsonValue& zt = (*answer)["zt"];
  out.zt = zt.is_number() ? std::to_string(zt.integer()) : zt.str();
  out.inf = (*answer)["inf"].str();
  if (out.name.empty()) out.name = out.inf;
  if (out.zt != "1") return out;
  HttpReply r = http((*answer)["dom"].str() + "/file/" + (*answer)["url"].str());
  out.direct = r.header("Location").value_or("");
  return out;
}

std::string login_body(const std::string& user, const std::string& password) {
  return "action=login&task=login&ref=%2Fmydisk.php&formhash=3e9b7c42&username=" + user + "&password=" + password;
}

}  // namespace quarrow::test
