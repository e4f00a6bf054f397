// The share host: single-file share pages, their frame pages, the form
// endpoint, the redirect to the direct file, the direct file itself, and the
// folder share pages with their listing endpoint.
#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "app.h"
#include "form.h"
#include "json.h"
#include "pages.h"

namespace qs {

namespace {

// Tokens handed out by the share host: the share key, "_", and a keyed checksum
// that binds the key to the token's purpose.
std::string token(const App& app, std::string_view purpose, const std::string& key) {
  return key + "_" + app.mac(std::string(purpose) + ":" + key);
}

std::optional<StoredFile> file_of_token(const App& app, std::string_view purpose, std::string_view tok) {
  size_t sep = tok.rfind('_');
  if (sep == std::string_view::npos) return std::nullopt;
  std::string key(tok.substr(0, sep));
  if (token(app, purpose, key) != tok) return std::nullopt;
  auto f = app.store.file_by_key(key);
  if (!f || f->deleted) return std::nullopt;
  return f;
}

HttpResponse missing() { return HttpResponse::html(404, share_missing_page()); }

std::string folder_k(const App& app, const std::string& fid, const std::string& t) {
  return app.mac("k:" + fid + ":" + t);
}

HttpResponse file_page(App& app, const std::string& key) {
  auto f = app.store.file_by_key(key);
  if (!f || f->deleted) return missing();
  if (f->onof) return HttpResponse::html(200, share_password_page(*f, token(app, "sign", f->key)));
  return HttpResponse::html(200, share_file_page(*f, token(app, "fn", f->key)));
}

HttpResponse frame_page(App& app, const HttpRequest& req) {
  auto f = file_of_token(app, "fn", req.query);
  if (!f) return missing();
  return HttpResponse::html(200, share_frame_page(token(app, "sign", f->key)));
}

HttpResponse form_endpoint(App& app, const HttpRequest& req) {
  Form form(req.query);
  form.add(req.body);
  auto fail = [](std::string_view inf) {
    JsonWriter w;
    w.begin_object().key("zt").num(0).key("dom").str("").key("url").num(0).key("inf").str(inf).end_object();
    return HttpResponse::json(w.text());
  };
  if (form.get("action") != "downprocess") return fail("参数错误");
  auto f = file_of_token(app, "sign", form.get("sign"));
  if (!f) return fail("来晚啦...文件取消分享了");
  if (f->onof && form.get("p") != f->pwd) return fail("密码不正确");
  JsonWriter w;
  w.begin_object()
      .key("zt").num(1)
      .key("dom").str(app.share_base)
      .key("url").str(token(app, "file", f->key))
      .key("inf").str(f->name)
      .end_object();
  return HttpResponse::json(w.text());
}

HttpResponse error_page(int status) {
  return HttpResponse::html(status, "<html><head><title>" + std::to_string(status) + " " + reason_phrase(status) +
                                        "</title></head><body><h1>" + reason_phrase(status) + "</h1></body></html>");
}

// "bytes=A-B", "bytes=A-", "bytes=-N". False for anything else (then the
// whole file is sent); `unsatisfiable` for a start past the end.
bool parse_range(std::string_view value, uint64_t size, uint64_t& first, uint64_t& last, bool& unsatisfiable) {
  unsatisfiable = false;
  std::string lower = lower_ascii(value);
  if (lower.rfind("bytes=", 0) != 0) return false;
  std::string_view wanted = std::string_view(value).substr(6);
  while (!wanted.empty() && wanted.front() == ' ') wanted.remove_prefix(1);
  while (!wanted.empty() && wanted.back() == ' ') wanted.remove_suffix(1);
  if (wanted.find(',') != std::string_view::npos) return false;
  size_t dash = wanted.find('-');
  if (dash == std::string_view::npos) return false;
  std::string_view a = wanted.substr(0, dash), b = wanted.substr(dash + 1);
  int64_t av = 0, bv = 0;
  auto digits = [](std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (a.empty()) {
    if (!digits(b) || !parse_int(b, bv)) return false;
    if (bv == 0 || size == 0) {
      unsatisfiable = true;
      return true;
    }
    first = size - std::min<uint64_t>(size, static_cast<uint64_t>(bv));
    last = size - 1;
    return true;
  }
  if (!digits(a) || !parse_int(a, av)) return false;
  if (!b.empty() && (!digits(b) || !parse_int(b, bv) || bv < av)) return false;
  first = static_cast<uint64_t>(av);
  if (first >= size) {
    unsatisfiable = true;
    return true;
  }
  last = b.empty() ? size - 1 : std::min<uint64_t>(static_cast<uint64_t>(bv), size - 1);
  return true;
}

std::string disposition_name(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '"' || c == '\\') out += '\\';
    out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '_' : c;
  }
  return out;
}

HttpResponse direct_file(App& app, const HttpRequest& req, const std::string& tok) {
  auto f = file_of_token(app, "dl", tok);
  if (!f) return missing();
  auto fh = FileHandle::open_read(app.store.file_path(f->id));
  struct stat st {};
  if (!fh || ::fstat(fh->fd(), &st) != 0) return error_page(404);
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (auto status = app.faults.take("error_page", Host::share, req.path)) return error_page(*status == "404" ? 404 : 500);
  if (app.faults.take("status416", Host::share, req.path)) {
    HttpResponse r = error_page(416);
    r.add_header("Content-Range", "bytes */" + std::to_string(size));
    return r;
  }
  HttpResponse r;
  r.add_header("Content-Type", "application/octet-stream");
  r.add_header("Accept-Ranges", "bytes");
  r.add_header("Content-Disposition", "attachment; filename=\"" + disposition_name(f->name) + "\"");
  r.file = fh;
  r.file_offset = 0;
  r.file_length = size;
  auto range = req.header("Range");
  if (range && !app.faults.take("ignore_range", Host::share, req.path)) {
    uint64_t first = 0, last = 0;
    bool unsatisfiable = false;
    if (parse_range(*range, size, first, last, unsatisfiable)) {
      if (unsatisfiable) {
        HttpResponse e = error_page(416);
        e.add_header("Content-Range", "bytes */" + std::to_string(size));
        return e;
      }
      r.status = 206;
      r.add_header("Content-Range",
                   "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(size));
      r.file_offset = first;
      r.file_length = last - first + 1;
    }
  }
  if (auto rate = app.faults.take("rate", Host::share, req.path)) {
    int64_t n = 0;
    if (parse_int(*rate, n) && n > 0) r.rate = static_cast<uint64_t>(n);
  }
  if (auto cut = app.faults.take("cut", Host::share, req.path)) {
    int64_t n = 0;
    if (parse_int(*cut, n) && n >= 0) r.cut_after = static_cast<uint64_t>(n);
  }
  return r;
}

HttpResponse folder_page(App& app, const std::string& key) {
  auto f = app.store.folder_by_key(key);
  if (!f || f->deleted) return missing();
  auto owner = app.store.account(f->owner);
  const std::string t = std::to_string(time(nullptr));
  const std::string k = folder_k(app, std::to_string(f->id), t);
  return HttpResponse::html(200, share_folder_page(*f, owner ? owner->uid : 0, t, k, app.store.files_in(f->owner, f->id)));
}

HttpResponse folder_listing(App& app, const HttpRequest& req) {
  Form form(req.query);
  form.add(req.body);
  auto answer = [](int zt, std::string_view info) {
    JsonWriter w;
    w.begin_object().key("zt").num(zt).key("info").str(info).end_object();
    return HttpResponse::json(w.text());
  };
  int64_t fid = 0;
  std::optional<Folder> folder;
  if (parse_int(form.get("fid"), fid)) folder = app.store.folder(fid);
  if (!folder || folder->deleted) return answer(0, "文件夹不存在");
  if (form.get("k") != folder_k(app, std::to_string(folder->id), form.get("t"))) return answer(4, "请刷新，重试");
  if (folder->onof && form.get("pwd") != folder->pwd) return answer(3, "密码不正确");
  int64_t pg = 1;
  if (!parse_int(form.get("pg"), pg) || pg < 1) pg = 1;
  auto files = app.store.files_in(folder->owner, folder->id);
  std::sort(files.begin(), files.end(), [](const StoredFile& a, const StoredFile& b) { return a.id < b.id; });
  const uint64_t size = std::max<size_t>(1, app.share_page_size.load());
  const uint64_t first = static_cast<uint64_t>(pg - 1) * size;
  JsonWriter w;
  w.begin_object();
  if (first >= files.size()) {
    w.key("zt").num(2).key("info").str("没有了").key("text").begin_array().end_array().end_object();
    return HttpResponse::json(w.text());
  }
  w.key("zt").num(1).key("info").str("成功").key("text").begin_array();
  for (uint64_t i = first; i < files.size() && i < first + size; ++i) {
    const auto& f = files[i];
    size_t dot = f.name.rfind('.');
    w.begin_object()
        .key("icon").str(dot == std::string::npos ? "file" : lower_ascii(f.name.substr(dot + 1)))
        .key("id").str(f.key)
        .key("name_all").str(f.name)
        .key("size").str(size_text(f.size))
        .key("time").str(date_text(f.created))
        .end_object();
  }
  w.end_array().end_object();
  return HttpResponse::json(w.text());
}

}  // namespace

HttpResponse handle_share(App& app, const HttpRequest& req) {
  const std::string& path = req.path;
  if (path == "/fn") return frame_page(app, req);
  if (path == "/ajaxm.php") return form_endpoint(app, req);
  if (path == "/folderlist.php") return folder_listing(app, req);
  if (path.rfind("/file/", 0) == 0) {
    auto f = file_of_token(app, "file", path.substr(6));
    if (!f) return missing();
    return HttpResponse::redirect(app.share_base + "/dl/" + token(app, "dl", f->key));
  }
  if (path.rfind("/dl/", 0) == 0) return direct_file(app, req, path.substr(4));
  if (path == "/") return HttpResponse::html(200, share_missing_page());
  std::string key = path.substr(1);
  if (!key.empty() && key.find('/') == std::string::npos) {
    if (key[0] == 'i') return file_page(app, key);
    if (key[0] == 'b') return folder_page(app, key);
  }
  return missing();
}

}  // namespace qs
