#include "ui/share_texts.h"

namespace quarrow::ui {

ShareInfo read_share_info(const util::JsonDoc& answer, bool answered, bool folder, size_t min_key_length) {
  ShareInfo info;
  if (!answered) {
    info.failure = "无法连接服务器，请检查网络后重试。"_t;
    return info;
  }
  if (answer.get_text("zt") != "1") {
    info.failure = answer.get_text("info");
    return info;
  }
  Text onof = answer.get_text("info.onof");
  info.on = onof == "1";
  info.password = answer.get_text("info.pwd");
  if (folder) {
    if (answer.get_text("info.name").empty()) info.failure = "文件夹不存在!"_t;
    info.url = answer.get_text("info['new_url']");
  } else {
    Text key = answer.get_text("info['f_id']");
    if (onof.empty() || key.size() < min_key_length) info.failure = "文件不存在!"_t;
    info.url = answer.get_text("info['is_newd']") + "/" + key;
  }
  return info;
}

Text file_share_text(const Text& link, bool password_on, const Text& password) {
  return password_on ? link + "\r\n密码:"_t + password : link;
}

Text folder_share_text(const Text& url, bool password_on, const Text& password) {
  return password_on ? "外链:"_t + url + "\r\n密码:"_t + password : url;
}

}  // namespace quarrow::ui
