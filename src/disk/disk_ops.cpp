#include "disk/disk_ops.h"

#include "net/endpoints.h"
#include "net/web_request.h"
#include "shell/login_state.h"
#include "util/codepage.h"
#include "util/json_doc.h"
#include "util/text_codec.h"

namespace quarrow::disk {
namespace {

using util::url_encode;

}  // namespace

Text task_request(const Text& body, Text* cookie) {
  Text own_cookie;
  if (!cookie || cookie->empty()) {
    own_cookie = shell::cookie_text();
    cookie = &own_cookie;
  }
  Text headers = net::kDiskHostHeader;
  net::WebRequestOptions options;
  options.method = 1;
  options.body = body;
  options.cookie = cookie;
  options.headers = &headers;
  return util::utf8_to_gbk(net::web_request(net::disk_host() + "/doupload.php", options));
}

Text create_folder(const Text& parent_id, const Text& name, const Text& description, Text* cookie) {
  return task_request("task=2&parent_id=" + parent_id + "&folder_name=" + url_encode(name) +
                          "&folder_description=" + url_encode(description),
                      cookie);
}

Text delete_folder(const Text& folder_id, Text* cookie) { return task_request("task=3&folder_id=" + folder_id, cookie); }

Text edit_folder(const Text& folder_id, std::optional<Text> name, std::optional<Text> description, Text* cookie) {
  if (!name || !description) {
    util::JsonDoc info;
    info.parse(get_folder_info(folder_id, cookie));
    if (!name) name = info.get_text("info.name");
    if (!description) description = info.get_text("info.des");
  }
  return task_request("task=4&folder_id=" + folder_id + "&folder_name=" + url_encode(*name) +
                          "&folder_description=" + url_encode(*description),
                      cookie);
}

Text delete_file(const Text& file_id, Text* cookie) { return task_request("task=6&file_id=" + file_id, cookie); }

Text set_file_description(const Text& file_id, const Text& description, Text* cookie) {
  return task_request("task=11&file_id=" + file_id + "&desc=" + url_encode(description), cookie);
}

Text get_file_info(const Text& file_id, Text* cookie) { return task_request("task=12&file_id=" + file_id, cookie); }

Text set_folder_password(const Text& folder_id, std::optional<Text> on_off, std::optional<Text> password,
                         Text* cookie) {
  if (!on_off || !password) {
    util::JsonDoc info;
    info.parse(get_folder_info(folder_id, cookie));
    if (!on_off) on_off = info.get_text("info.onof");
    if (!password) password = info.get_text("info.pwd");
  }
  return task_request("task=16&folder_id=" + folder_id + "&shows=" + url_encode(*on_off) +
                          "&shownames=" + url_encode(*password),
                      cookie);
}

Text get_folder_info(const Text& folder_id, Text* cookie) {
  return task_request("task=18&folder_id=" + folder_id, cookie);
}

Text get_file_share_info(const Text& file_id, Text* cookie) {
  return task_request("task=22&file_id=" + file_id, cookie);
}

Text set_file_password(const Text& file_id, const Text& on_off, const Text& password, Text* cookie) {
  return task_request("task=23&file_id=" + file_id + "&shows=" + url_encode(on_off) +
                          "&shownames=" + url_encode(password),
                      cookie);
}

Text profile_page_url() { return net::disk_host() + "/mydisk.php?item=profile&action=mypower"; }
Text recycle_page_url() { return net::disk_host() + "/mydisk.php?item=recycle&action=files"; }

}  // namespace quarrow::disk
