// The disk host: log-in and log-out, the disk pages, the task endpoint and the upload endpoint.
#include <algorithm>
#include <atomic>
#include <ctime>

#include "app.h"
#include "content.h"
#include "form.h"
#include "json.h"
#include "pages.h"

namespace qs {

namespace {

std::string cookie_expiry(int64_t seconds_from_now) {
  time_t t = time(nullptr) + seconds_from_now;
  struct tm tm {};
  gmtime_r(&t, &tm);
  char buf[64];
  strftime(buf, sizeof buf, "%a, %d-%b-%Y %H:%M:%S GMT", &tm);
  return buf;
}

const char kDeletedCookie[] = "=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT; Max-Age=0; path=/";

HttpResponse page(const std::string& html) { return HttpResponse::html(200, html); }

std::string answer(int zt, std::string_view info) {
  JsonWriter w;
  w.begin_object().key("zt").num(zt).key("info").str(info).key("text").null().end_object();
  return w.text();
}

// Counts UTF-8 characters, as a password length limit is meant.
size_t char_count(std::string_view s) {
  return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xc0) != 0x80; }));
}

std::string extension_of(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : lower_ascii(name.substr(dot + 1));
}

// The file types the service accepts; anything else travels with ".ke" added.
bool allowed_upload_name(const std::string& name) {
  static const char* const kTypes[] = {"doc",  "docx", "zip", "rar",  "apk", "ipa",  "txt",  "exe",  "7z",  "e",
                                       "z",    "ct",   "ke",  "db",   "tar", "pdf",  "w3x",  "epub", "mobi", "azw",
                                       "azw3", "osk",  "osz", "cpk",  "lua", "jar",  "dmg",  "ppt",  "pptx", "xls",
                                       "xlsx", "mp3",  "iso", "img",  "gho", "ttf",  "ttc",  "txf",  "dwg",  "bat",
                                       "dll"};
  std::string ext = extension_of(name);
  return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const char* t) { return ext == t; });
}

std::string icon_of(const std::string& name) {
  std::string ext = extension_of(name);
  return ext.empty() ? "file" : ext;
}

HttpResponse handle_mydisk(App& app, const HttpRequest& req) {
  auto account = app.session_account(req);
  if (!account) return page(login_page({}));
  Form q(req.query);
  const std::string item = q.get("item");
  if (item == "files") {
    int64_t id = kRootFolder;
    if (auto v = q.find("folder_id")) parse_int(*v, id);
    std::vector<Folder> path;
    bool missing = false;
    if (id != kRootFolder) {
      auto f = app.store.folder(id);
      if (!f || f->deleted || f->owner != *account) {
        missing = true;
      } else {
        for (auto cur = f; cur; cur = cur->parent == kRootFolder ? std::nullopt : app.store.folder(cur->parent))
          path.insert(path.begin(), *cur);
      }
    }
    std::vector<Folder> folders = missing ? std::vector<Folder>() : app.store.subfolders(*account, id);
    return page(folder_page(*account, path, folders, missing));
  }
  if (item == "profile") {
    auto acc = app.store.account(*account);
    if (!acc) return page(login_page({}));
    size_t count = 0;
    uint64_t bytes = 0;
    for (const auto& f : app.store.snapshot().files) {
      if (f.owner != *account || f.deleted) continue;
      ++count;
      bytes += f.size;
    }
    return page(profile_page(*acc, count, bytes));
  }
  if (item == "recycle") {
    Snapshot s = app.store.snapshot();
    std::vector<Folder> folders;
    std::vector<StoredFile> files;
    for (const auto& f : s.folders)
      if (f.owner == *account && f.deleted) folders.push_back(f);
    for (const auto& f : s.files)
      if (f.owner == *account && f.deleted) files.push_back(f);
    return page(recycle_page(*account, folders, files));
  }
  return page(disk_home_page(*account));
}

HttpResponse log_in(App& app, const Form& form) {
  static std::atomic<uint64_t> counter{0};
  HttpResponse resp;
  const std::string username = form.get("username");
  const std::string password = form.get("password");
  std::optional<std::string> logged_in;
  std::string message;
  if (username.empty()) {
    message = "请输入用户名。";
  } else if (auto acc = app.store.account(username); !acc) {
    message = "该用户名未注册。";
  } else if (acc->password != password) {
    message = "用户密码不正确，长度请在6-20位之间。";
  } else {
    message = "登录成功，欢迎您回来。";
    logged_in = acc->name;
    std::string token = app.store.create_session(acc->name);
    resp = page(message_page(logged_in, "登录", message));
    resp.add_header("Set-Cookie", std::string(kPhpCookie) + "=" + app.mac("php" + std::to_string(++counter) + token) +
                                      "; path=/");
    resp.add_header("Set-Cookie", std::string(kUidCookie) + "=" + std::to_string(acc->uid) +
                                      "; expires=" + cookie_expiry(30 * 86400) + "; path=/");
    resp.add_header("Set-Cookie", std::string(kSessionCookie) + "=" + token + "; expires=" +
                                      cookie_expiry(30 * 86400) + "; path=/; HttpOnly");
    return resp;
  }
  resp = page(message_page(std::nullopt, "登录", message));
  resp.add_header("Set-Cookie", std::string(kPhpCookie) + "=" +
                                    app.mac("php" + std::to_string(++counter) + std::to_string(time(nullptr))) +
                                    "; path=/");
  return resp;
}

HttpResponse register_account(App& app, const Form& form) {
  const std::string username = form.get("username");
  const std::string password = form.get("password");
  std::string message;
  if (char_count(username) < 3 || char_count(username) > 20 ||
      username.find_first_of("&=\"'<>%+ \t\r\n") != std::string::npos)
    message = "用户名长度在3到20位之间，且不能含有特殊字符。";
  else if (password.size() < 6 || password.size() > 20)
    message = "密码长度请在6-20位之间。";
  else if (!app.store.create_account(username, password))
    message = "该用户名已被注册。";
  else
    message = "注册成功，请登录。";
  return page(register_page(message));
}

HttpResponse log_out(App& app, const HttpRequest& req) {
  // The query is "action=logout&ACCOUNT"; the client sends no cookie, so the
  // named account's sessions end unless a session cookie says which one.
  std::string account;
  const std::string marker = "action=logout&";
  if (size_t p = req.query.find(marker); p != std::string::npos) account = url_decode(req.query.substr(p + marker.size()));
  auto token = cookie_value(req.headers("Cookie"), kSessionCookie);
  if (token && !token->empty()) app.store.end_session(*token);
  else if (!account.empty()) app.store.end_sessions_of(account);
  HttpResponse resp = page(message_page(std::nullopt, "退出登录", "您已安全登出。"));
  resp.add_header("Set-Cookie", std::string(kSessionCookie) + kDeletedCookie);
  resp.add_header("Set-Cookie", std::string(kUidCookie) + kDeletedCookie);
  return resp;
}

HttpResponse handle_account(App& app, const HttpRequest& req) {
  Form q(req.query);
  if (q.get("action") == "logout") return log_out(app, req);
  if (req.method == "POST") {
    Form form(req.body);
    if (form.get("action") == "register") return register_account(app, form);
    return log_in(app, form);
  }
  if (q.get("action") == "register") return page(register_page({}));
  return page(login_page({}));
}

std::optional<Folder> own_folder(App& app, const std::string& account, const std::string& id_text) {
  int64_t id = 0;
  if (!parse_int(id_text, id)) return std::nullopt;
  auto f = app.store.folder(id);
  if (!f || f->deleted || f->owner != account) return std::nullopt;
  return f;
}

std::optional<StoredFile> own_file(App& app, const std::string& account, const std::string& id_text) {
  int64_t id = 0;
  if (!parse_int(id_text, id)) return std::nullopt;
  auto f = app.store.file(id);
  if (!f || f->deleted || f->owner != account) return std::nullopt;
  return f;
}

std::string list_files(App& app, const std::string& account, const Form& form) {
  int64_t folder = kRootFolder, pg = 1;
  parse_int(form.get("folder_id"), folder);
  if (!parse_int(form.get("pg"), pg) || pg < 1) pg = 1;
  JsonWriter w;
  w.begin_object();
  if (!app.store.folder_usable(account, folder)) {
    w.key("zt").num(0).key("info").str("文件夹不存在").key("text").begin_array().end_array().end_object();
    return w.text();
  }
  auto files = app.store.files_in(account, folder);
  std::sort(files.begin(), files.end(), [](const StoredFile& a, const StoredFile& b) { return a.id < b.id; });
  const uint64_t size = std::max<size_t>(1, app.page_size.load());
  const uint64_t first = static_cast<uint64_t>(pg - 1) * size;
  if (first >= files.size()) {
    w.key("zt").num(2).key("info").str("没有更多文件了").key("text").begin_array().end_array().end_object();
    return w.text();
  }
  w.key("zt").num(1).key("info").num(1).key("text").begin_array();
  for (uint64_t i = first; i < files.size() && i < first + size; ++i) {
    const auto& f = files[i];
    w.begin_object()
        .key("icon").str(icon_of(f.name))
        .key("id").str(std::to_string(f.id))
        .key("name_all").str(f.name)
        .key("name").str(f.name)
        .key("size").str(size_text(f.size))
        .key("time").str(date_text(f.created))
        .key("downs").str("0")
        .key("onof").str(f.onof ? "1" : "0")
        .key("is_des").num(f.des.empty() ? 0 : 1)
        .end_object();
  }
  w.end_array().end_object();
  return w.text();
}

std::string set_password(const std::string& shows, const std::string& pwd, bool& onof, std::string& stored_pwd) {
  if (shows != "0" && shows != "1") return "参数错误";
  if (char_count(pwd) > 12) return "密码长度在0到12位之间";
  onof = shows == "1";
  stored_pwd = pwd;
  return {};
}

std::string run_task(App& app, const std::string& account, const Form& form) {
  const std::string task = form.get("task");
  if (task == "5") return list_files(app, account, form);
  if (task == "2") {
    const std::string name = form.get("folder_name");
    int64_t parent = kRootFolder;
    if (!parse_int(form.get("parent_id"), parent)) return answer(0, "上级文件夹不存在");
    if (name.find_first_not_of(" \t\r\n") == std::string::npos) return answer(0, "文件夹名称不能为空");
    if (char_count(name) > 100) return answer(0, "文件夹名称太长");
    auto f = app.store.create_folder(account, parent, name, form.get("folder_description"));
    if (!f) return answer(0, "上级文件夹不存在");
    JsonWriter w;
    w.begin_object().key("zt").num(1).key("info").str("创建成功").key("text").str(std::to_string(f->id)).end_object();
    return w.text();
  }
  if (task == "3") {
    auto f = own_folder(app, account, form.get("folder_id"));
    if (!f || !app.store.delete_folder(f->id)) return answer(0, "文件夹不存在");
    return answer(1, "删除成功");
  }
  if (task == "4") {
    auto f = own_folder(app, account, form.get("folder_id"));
    if (!f) return answer(0, "文件夹不存在");
    const std::string name = form.get("folder_name");
    if (name.find_first_not_of(" \t\r\n") == std::string::npos) return answer(0, "文件夹名称不能为空");
    if (char_count(name) > 100) return answer(0, "文件夹名称太长");
    f->name = name;
    f->des = form.get("folder_description");
    app.store.update_folder(*f);
    return answer(1, "修改成功");
  }
  if (task == "6") {
    auto f = own_file(app, account, form.get("file_id"));
    if (!f || !app.store.delete_file(f->id)) return answer(0, "文件不存在");
    return answer(1, "已删除");
  }
  if (task == "11") {
    auto f = own_file(app, account, form.get("file_id"));
    if (!f) return answer(0, "文件不存在");
    f->des = form.get("desc");
    app.store.update_file(*f);
    return answer(1, "修改成功");
  }
  if (task == "12") {
    auto f = own_file(app, account, form.get("file_id"));
    if (!f) return answer(0, "文件不存在");
    JsonWriter w;
    w.begin_object().key("zt").num(1).key("info").str(f->des).key("text").str(f->name).end_object();
    return w.text();
  }
  if (task == "16") {
    auto f = own_folder(app, account, form.get("folder_id"));
    if (!f) return answer(0, "文件夹不存在");
    if (auto err = set_password(form.get("shows"), form.get("shownames"), f->onof, f->pwd); !err.empty())
      return answer(0, err);
    app.store.update_folder(*f);
    return answer(1, "设置成功");
  }
  if (task == "23") {
    auto f = own_file(app, account, form.get("file_id"));
    if (!f) return answer(0, "文件不存在");
    if (auto err = set_password(form.get("shows"), form.get("shownames"), f->onof, f->pwd); !err.empty())
      return answer(0, err);
    app.store.update_file(*f);
    return answer(1, "设置成功");
  }
  if (task == "18") {
    auto f = own_folder(app, account, form.get("folder_id"));
    if (!f) return answer(0, "文件夹不存在");
    JsonWriter w;
    w.begin_object().key("zt").num(1).key("info").begin_object()
        .key("name").str(f->name)
        .key("des").str(f->des)
        .key("pwd").str(f->pwd)
        .key("onof").str(f->onof ? "1" : "0")
        .key("is_newd").str(app.share_base)
        .key("new_url").str(app.share_base + "/" + f->key)
        .end_object().key("text").null().end_object();
    return w.text();
  }
  if (task == "22") {
    auto f = own_file(app, account, form.get("file_id"));
    if (!f) return answer(0, "文件不存在");
    JsonWriter w;
    w.begin_object().key("zt").num(1).key("info").begin_object()
        .key("pwd").str(f->pwd)
        .key("onof").str(f->onof ? "1" : "0")
        .key("f_id").str(f->key)
        .key("is_newd").str(app.share_base)
        .end_object().key("text").null().end_object();
    return w.text();
  }
  return answer(0, "未知操作");
}

HttpResponse handle_task(App& app, const HttpRequest& req) {
  auto account = app.session_account(req);
  if (!account) return HttpResponse::json(answer(9, "登录已过期，请重新登录。"));
  Form form(req.query);
  form.add(req.body);
  return HttpResponse::json(run_task(app, *account, form));
}

HttpResponse upload(App& app, const HttpRequest& req) {
  auto fail = [](std::string_view info) { return HttpResponse::json(answer(0, info)); };
  auto account = app.session_account(req);
  if (!account) return fail("登录已过期，请重新登录。");
  std::vector<MultipartPart> parts;
  std::string boundary = multipart_boundary(req.header("Content-Type").value_or(""));
  if (!parse_multipart(req.body, boundary, parts)) return fail("上传失败，请求格式错误");
  int64_t folder = kRootFolder;
  const MultipartPart* file_part = nullptr;
  std::string name_field;
  for (const auto& p : parts) {
    if (p.name == "folder_id" && !parse_int(p.data, folder)) return fail("文件夹不存在");
    if (p.name == "name") name_field = std::string(p.data);
    if (p.name == "upload_file" && p.filename) file_part = &p;
  }
  if (!file_part) return fail("上传失败，没有文件");
  std::string name = file_part->filename->empty() ? name_field : *file_part->filename;
  if (name.empty()) return fail("文件名不能为空");
  if (name.find_first_of("/\\\r\n") != std::string::npos) return fail("文件名不合法");
  if (!allowed_upload_name(name)) return fail("不支持该文件类型");
  if (file_part->data.size() > kMaxUpload) return fail("文件大小超过限制");
  if (!app.store.folder_usable(*account, folder)) return fail("文件夹不存在");
  StoredFile meta;
  meta.owner = *account;
  meta.folder = folder;
  meta.name = name;
  meta.size = file_part->data.size();
  auto stored =
      app.add_file(meta, [&](const std::string& path) { return write_bytes(path, file_part->data, nullptr); });
  if (!stored) return fail("上传失败");
  JsonWriter w;
  w.begin_object().key("zt").num(1).key("info").str("上传成功").key("text").begin_array().begin_object()
      .key("icon").str(icon_of(stored->name))
      .key("id").str(std::to_string(stored->id))
      .key("f_id").str(stored->key)
      .key("name_all").str(stored->name)
      .key("name").str(stored->name)
      .key("size").str(size_text(stored->size))
      .key("time").str("0 秒前")
      .key("downs").str("0")
      .key("onof").str("0")
      .key("is_newd").str(app.share_base)
      .end_object().end_array().end_object();
  return HttpResponse::json(w.text());
}

}  // namespace

HttpResponse handle_disk(App& app, const HttpRequest& req) {
  if (req.path == "/" || req.path == "/index.php") return HttpResponse::redirect("/mydisk.php");
  if (req.path == "/mydisk.php") return handle_mydisk(app, req);
  if (req.path == "/account.php") return handle_account(app, req);
  if (req.path == "/doupload.php") return handle_task(app, req);
  if (req.path == "/fileup.php") {
    if (req.method != "POST") return HttpResponse::json(answer(0, "请使用POST上传"));
    return upload(app, req);
  }
  return HttpResponse::html(404, message_page(std::nullopt, "404", "页面不存在"));
}

}  // namespace qs
