#include "disk/listing.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "disk/disk_ops.h"
#include "net/endpoints.h"
#include "net/http_client.h"
#include "net/web_request.h"
#include "shell/login_state.h"
#include "util/codepage.h"
#include "util/json_doc.h"
#include "util/text_codec.h"
#include "util/text_search.h"

namespace quarrow::disk {
namespace {

constexpr int kMaxInfoRequests = 8;

Text root_if_empty(const Text& id) { return id.empty() ? Text("-1") : id; }

Text empty_array_text(size_t n) {
  Text text = "[";
  for (size_t i = 0; i < n; ++i) text += i ? ",{}" : "{}";
  return text + "]";
}

Text escaped(const Text& text) { return util::js_escape(text, false, false, "\\u"); }

// The answers of get_folder_info for every id, in order, with up to `parallel`
// requests at once. Each worker starts from a copy of the cookie.
std::vector<Text> folder_infos(const std::vector<Text>& ids, const Text& cookie, int parallel) {
  std::vector<Text> answers(ids.size());
  std::atomic<size_t> next{0};
  const std::atomic<bool>* cancel = net::current_cancel_flag();
  auto work = [&] {
    net::CancelScope scope(cancel);
    Text own_cookie = cookie;
    for (size_t i; (i = next++) < ids.size();)
      if (!ids[i].empty()) answers[i] = get_folder_info(ids[i], &own_cookie);
  };
  int threads = std::min<int>(parallel, static_cast<int>(ids.size()));
  if (threads <= 1) {
    work();
    return answers;
  }
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) pool.emplace_back(work);
  for (auto& thread : pool) thread.join();
  return answers;
}

Text list_folders_with(const Text& folder_id, Text* cookie, PageState* state, int parallel) {
  Text own_cookie;
  if (!cookie || cookie->empty()) {
    own_cookie = shell::cookie_text();
    cookie = &own_cookie;
  }
  Text id = root_if_empty(folder_id);
  Text headers = net::kDiskHostHeader;
  int status = 0;
  net::WebRequestOptions options;
  options.cookie = cookie;
  options.headers = &headers;
  options.status = &status;
  Text page = util::utf8_to_gbk(net::web_request(
      net::disk_host() + "/mydisk.php?item=files&action=index&folder_node=0&folder_id=" + id, options));
  if (state) {
    *state = status == 0 ? PageState::kUnreachable
                         : (util::contains(page, "退出"_t) ? PageState::kLoggedIn : PageState::kLoggedOut);
  }

  util::JsonDoc doc;
  doc.set_value("user", escaped(util::text_between(page, "id=\"f_wringurl\">u/", "<")));
  std::vector<Text> pieces;
  util::all_between(util::text_after_last(page, "文件名/夹"_t), "<a href=\"mydisk.php?item=files&action=index&",
                    "</div>", pieces);
  doc.set_value("FolderNum", std::to_string(pieces.size()));
  doc.set_value("FolderList", empty_array_text(pieces.size()), true);

  std::vector<Text> ids, names;
  for (const Text& piece : pieces) {
    names.push_back(util::html_unescape(util::text_between(piece, "&nbsp;", "<")));
    ids.push_back(util::text_between(piece, "folkey(", ")"));
  }
  std::vector<Text> answers = folder_infos(ids, *cookie, parallel);

  util::JsonDoc info;
  for (size_t i = 0; i < pieces.size(); ++i) {
    Text item = "FolderList[" + std::to_string(i) + "].";
    Text des, pwd, onof, url;
    if (!ids[i].empty()) {
      info.parse(answers[i]);
      des = escaped(info.get_text("info.des"));
      pwd = info.get_text("info.pwd");
      onof = info.get_text("info.onof");
      url = info.get_text("info['new_url']");
    }
    // Names travel as they are: they need not be valid script literal bodies.
    doc.set_string(item + "id", ids[i]);
    doc.set_string(item + "name", names[i]);
    doc.set_value(item + "des", des);
    doc.set_string(item + "pwd", pwd);
    doc.set_string(item + "onof", onof);
    doc.set_string(item + "url", url);
  }
  return doc.to_text();
}

}  // namespace

Text list_folders(const Text& folder_id, Text* cookie, PageState* state) {
  return list_folders_with(folder_id, cookie, state, kMaxInfoRequests);
}

Text list_files(const Text& folder_id, Text* cookie) {
  Text own_cookie;
  if (!cookie || cookie->empty()) {
    own_cookie = shell::cookie_text();
    cookie = &own_cookie;
  }
  Text id = root_if_empty(folder_id);
  std::vector<Text> pages;
  size_t total = 0;
  util::JsonDoc page;
  for (int pg = 1;; ++pg) {
    Text answer = task_request("task=5&folder_id=" + id + "&pg=" + std::to_string(pg), cookie);
    page.parse(answer);
    int m = page.count("text");
    if (m < 1) break;
    total += static_cast<size_t>(m);
    pages.push_back(std::move(answer));
  }

  util::JsonDoc doc;
  doc.set_value("FileNum", std::to_string(total));
  doc.set_value("FileList", empty_array_text(total), true);
  size_t k = 0;
  for (const Text& answer : pages) {
    page.parse(answer);
    int m = page.count("text");
    for (int j = 0; j < m; ++j, ++k) {
      Text from = "text[" + std::to_string(j) + "]";
      Text to = "FileList[" + std::to_string(k) + "].";
      doc.set_string(to + "id", page.get_text(from + ".id"));
      doc.set_string(to + "name_all", page.get_text(from + "['name_all']"));
      doc.set_string(to + "size", page.get_text(from + ".size"));
      doc.set_string(to + "time", page.get_text(from + ".time"));
      doc.set_string(to + "des", page.get_text(from + "['is_des']"));
    }
  }
  return doc.to_text();
}

FolderListing list_folder(const Text& folder_id) {
  const std::atomic<bool>* cancel = net::current_cancel_flag();
  auto files = std::async(std::launch::async, [&] {
    net::CancelScope scope(cancel);
    return list_files(folder_id);
  });
  FolderListing listing;
  listing.folders = list_folders(folder_id, nullptr, &listing.state);
  listing.files = files.get();
  return listing;
}

FolderListing list_folder_sequentially(const Text& folder_id) {
  FolderListing listing;
  listing.folders = list_folders_with(folder_id, nullptr, &listing.state, 1);
  listing.files = list_files(folder_id);
  return listing;
}

}  // namespace quarrow::disk
