// The test-only admin API (see README.md): state set-up and read-back, the
// request log, fault rules and counters.
#include <algorithm>

#include "app.h"
#include "content.h"
#include "form.h"
#include "json.h"

namespace qs {

namespace {

std::string base64(std::string_view in) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(in[i])) << 16 |
                 static_cast<uint32_t>(static_cast<unsigned char>(in[i + 1])) << 8 |
                 static_cast<unsigned char>(in[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (i < in.size()) {
    uint32_t v = static_cast<uint32_t>(static_cast<unsigned char>(in[i])) << 16;
    if (i + 1 < in.size()) v |= static_cast<uint32_t>(static_cast<unsigned char>(in[i + 1])) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < in.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

HttpResponse error(int status, std::string_view message) {
  JsonWriter w;
  w.begin_object().key("error").str(message).end_object();
  HttpResponse r = HttpResponse::json(w.text());
  r.status = status;
  return r;
}

bool valid_key(const std::string& key, char prefix) {
  return key.size() >= 2 && key.size() <= 64 && key[0] == prefix &&
         std::all_of(key.begin(), key.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
         });
}

void write_folder(JsonWriter& w, const Folder& f) {
  w.begin_object()
      .key("id").num(f.id)
      .key("owner").str(f.owner)
      .key("parent").num(f.parent)
      .key("name").str(f.name)
      .key("des").str(f.des)
      .key("pwd").str(f.pwd)
      .key("onof").num(f.onof ? 1 : 0)
      .key("key").str(f.key)
      .key("deleted").num(f.deleted ? 1 : 0)
      .end_object();
}

void write_file(JsonWriter& w, const App& app, const StoredFile& f) {
  w.begin_object()
      .key("id").num(f.id)
      .key("owner").str(f.owner)
      .key("folder").num(f.folder)
      .key("name").str(f.name)
      .key("des").str(f.des)
      .key("pwd").str(f.pwd)
      .key("onof").num(f.onof ? 1 : 0)
      .key("key").str(f.key)
      .key("size").num(static_cast<int64_t>(f.size))
      .key("deleted").num(f.deleted ? 1 : 0)
      .key("path").str(app.store.file_path(f.id))
      .end_object();
}

// Applies the optional share fields common to folders and files.
template <typename T>
std::string apply_fields(const Form& form, T& item, char key_prefix) {
  if (auto v = form.find("name")) {
    if (v->empty()) return "empty name";
    item.name = *v;
  }
  if (auto v = form.find("des")) item.des = *v;
  if (auto v = form.find("pwd")) item.pwd = *v;
  if (auto v = form.find("onof")) item.onof = *v == "1";
  if (auto v = form.find("key")) {
    if (!valid_key(*v, key_prefix)) return "bad key";
    item.key = *v;
  }
  return {};
}

HttpResponse create_folder(App& app, const Form& form) {
  int64_t parent = kRootFolder;
  if (auto v = form.find("parent"); v && !parse_int(*v, parent)) return error(400, "bad parent");
  const std::string owner = form.get("account");
  if (!app.store.account(owner)) return error(404, "no such account");
  Folder probe;
  probe.name = "x";
  if (auto err = apply_fields(form, probe, 'b'); !err.empty()) return error(400, err);
  if (form.get("name").empty()) return error(400, "empty name");
  if (!probe.key.empty() && app.store.key_taken(probe.key)) return error(409, "key taken");
  auto f = app.store.create_folder(owner, parent, probe.name, probe.des, probe.key);
  if (!f) return error(404, "no such parent folder");
  f->pwd = probe.pwd;
  f->onof = probe.onof;
  app.store.update_folder(*f);
  JsonWriter w;
  write_folder(w, *f);
  return HttpResponse::json(w.text());
}

HttpResponse update_folder(App& app, const Form& form) {
  int64_t id = 0;
  std::optional<Folder> f;
  if (parse_int(form.get("id"), id)) f = app.store.folder(id);
  if (!f) return error(404, "no such folder");
  if (auto err = apply_fields(form, *f, 'b'); !err.empty()) return error(400, err);
  if (!app.store.update_folder(*f)) return error(409, "key taken");
  JsonWriter w;
  write_folder(w, *f);
  return HttpResponse::json(w.text());
}

HttpResponse create_file(App& app, const HttpRequest& req) {
  Form form(req.query);
  StoredFile meta;
  meta.owner = form.get("account");
  if (!app.store.account(meta.owner)) return error(404, "no such account");
  if (auto v = form.find("folder"); v && !parse_int(*v, meta.folder)) return error(400, "bad folder");
  if (form.get("name").empty()) return error(400, "empty name");
  if (auto err = apply_fields(form, meta, 'i'); !err.empty()) return error(400, err);
  if (!meta.key.empty() && app.store.key_taken(meta.key)) return error(409, "key taken");
  std::string write_error;
  std::function<bool(const std::string&)> write;
  if (auto size = form.find("size")) {
    int64_t n = 0;
    if (!parse_int(*size, n) || n < 0) return error(400, "bad size");
    const std::string pattern = form.get("pattern");
    if (!pattern.empty() && pattern != "dense" && pattern != "sparse") return error(400, "bad pattern");
    Pattern p = pattern == "sparse" ? Pattern::sparse : Pattern::dense;
    meta.size = static_cast<uint64_t>(n);
    write = [&, p](const std::string& path) { return write_generated(path, meta.size, p, &write_error); };
  } else {
    meta.size = req.body.size();
    write = [&](const std::string& path) { return write_bytes(path, req.body, &write_error); };
  }
  if (!app.store.folder_usable(meta.owner, meta.folder)) return error(404, "no such folder");
  auto f = app.add_file(meta, write);
  if (!f) return error(500, write_error.empty() ? "cannot store the file" : write_error);
  JsonWriter w;
  write_file(w, app, *f);
  return HttpResponse::json(w.text());
}

HttpResponse update_file(App& app, const Form& form) {
  int64_t id = 0;
  std::optional<StoredFile> f;
  if (parse_int(form.get("id"), id)) f = app.store.file(id);
  if (!f) return error(404, "no such file");
  if (auto err = apply_fields(form, *f, 'i'); !err.empty()) return error(400, err);
  if (!app.store.update_file(*f)) return error(409, "key taken");
  JsonWriter w;
  write_file(w, app, *f);
  return HttpResponse::json(w.text());
}

HttpResponse state(App& app) {
  Snapshot s = app.store.snapshot();
  JsonWriter w;
  w.begin_object().key("accounts").begin_array();
  for (const auto& a : s.accounts)
    w.begin_object().key("uid").num(a.uid).key("name").str(a.name).key("password").str(a.password).end_object();
  w.end_array().key("sessions").begin_array();
  for (const auto& x : s.sessions) w.begin_object().key("token").str(x.token).key("account").str(x.account).end_object();
  w.end_array().key("folders").begin_array();
  for (const auto& f : s.folders) write_folder(w, f);
  w.end_array().key("files").begin_array();
  for (const auto& f : s.files) write_file(w, app, f);
  w.end_array().end_object();
  return HttpResponse::json(w.text());
}

HttpResponse request_log(App& app, const Form& form) {
  std::optional<Host> host;
  const std::string h = form.get("host");
  if (h == "disk") host = Host::disk;
  else if (h == "share") host = Host::share;
  else if (!h.empty()) return error(400, "bad host");
  JsonWriter w;
  w.begin_object().key("entries").begin_array();
  for (const auto& e : app.log.entries(host)) {
    w.begin_object()
        .key("seq").num(static_cast<int64_t>(e.seq))
        .key("host").str(host_name(e.host))
        .key("connection").num(static_cast<int64_t>(e.connection))
        .key("method").str(e.method)
        .key("target").str(e.target)
        .key("version").str(e.version)
        .key("headers").begin_array();
    for (const auto& line : e.header_lines) w.str(line);
    w.end_array()
        .key("body_b64").str(base64(e.body))
        .key("body_size").num(static_cast<int64_t>(e.body_size))
        .end_object();
  }
  w.end_array().end_object();
  return HttpResponse::json(w.text());
}

HttpResponse add_fault(App& app, const Form& form) {
  FaultRule r;
  r.kind = form.get("kind");
  if (!Faults::known_kind(r.kind)) return error(400, "unknown fault kind");
  r.host = form.find("host").value_or("any");
  if (r.host != "any" && r.host != "disk" && r.host != "share") return error(400, "bad host");
  r.value = form.get("value");
  r.path = form.get("path");
  if (auto t = form.find("times"); t && (!parse_int(*t, r.remaining) || r.remaining < 1)) return error(400, "bad times");
  JsonWriter w;
  w.begin_object().key("id").num(app.faults.add(r)).end_object();
  return HttpResponse::json(w.text());
}

HttpResponse stats(App& app) {
  uint64_t disk_conn = app.disk_server ? app.disk_server->connections_accepted() : 0;
  uint64_t share_conn = app.share_server ? app.share_server->connections_accepted() : 0;
  uint64_t bytes = (app.disk_server ? app.disk_server->file_bytes_sent() : 0) +
                   (app.share_server ? app.share_server->file_bytes_sent() : 0);
  JsonWriter w;
  w.begin_object()
      .key("disk_connections").num(static_cast<int64_t>(disk_conn))
      .key("share_connections").num(static_cast<int64_t>(share_conn))
      .key("disk_requests").num(static_cast<int64_t>(app.disk_requests.load()))
      .key("share_requests").num(static_cast<int64_t>(app.share_requests.load()))
      .key("file_bytes_sent").num(static_cast<int64_t>(bytes))
      .end_object();
  return HttpResponse::json(w.text());
}

HttpResponse ok() { return HttpResponse::json("{\"ok\":1}"); }

}  // namespace

HttpResponse handle_admin(App& app, const HttpRequest& req) {
  if (req.peer_ip != "127.0.0.1") return error(403, "admin API is reachable from 127.0.0.1 only");
  const std::string& p = req.path;
  if (p == "/files" && req.method == "POST") return create_file(app, req);
  Form form(req.query);
  form.add(req.body);
  if (p == "/health") return ok();
  if (p == "/state") return state(app);
  if (p == "/log") return request_log(app, form);
  if (p == "/stats") return stats(app);
  if (p == "/faults" && req.method == "GET") {
    JsonWriter w;
    w.begin_object().key("faults").begin_array();
    for (const auto& r : app.faults.list())
      w.begin_object().key("id").num(r.id).key("host").str(r.host).key("kind").str(r.kind).key("value").str(r.value)
          .key("path").str(r.path).key("remaining").num(r.remaining).end_object();
    w.end_array().end_object();
    return HttpResponse::json(w.text());
  }
  if (req.method != "POST") return error(405, "use POST");
  if (p == "/accounts") {
    const std::string name = form.get("name");
    if (name.empty()) return error(400, "empty name");
    auto a = app.store.create_account(name, form.get("password"));
    if (!a) return error(409, "account exists");
    JsonWriter w;
    w.begin_object().key("uid").num(a->uid).key("name").str(a->name).end_object();
    return HttpResponse::json(w.text());
  }
  if (p == "/folders") return create_folder(app, form);
  if (p == "/folders/update") return update_folder(app, form);
  if (p == "/files/update") return update_file(app, form);
  if (p == "/sessions") {
    auto a = app.store.account(form.get("account"));
    if (!a) return error(404, "no such account");
    std::string tok = app.store.create_session(a->name);
    JsonWriter w;
    w.begin_object().key("token").str(tok)
        .key("cookie").str(std::string(kSessionCookie) + "=" + tok + "; " + kUidCookie + "=" + std::to_string(a->uid))
        .end_object();
    return HttpResponse::json(w.text());
  }
  if (p == "/sessions/expire") {
    JsonWriter w;
    w.begin_object().key("expired").num(app.store.end_sessions_of(form.get("account"))).end_object();
    return HttpResponse::json(w.text());
  }
  if (p == "/log/clear") {
    app.log.clear();
    return ok();
  }
  if (p == "/faults") return add_fault(app, form);
  if (p == "/faults/clear") {
    app.faults.clear();
    return ok();
  }
  if (p == "/stats/reset") {
    if (app.disk_server) app.disk_server->reset_counters();
    if (app.share_server) app.share_server->reset_counters();
    app.disk_requests = 0;
    app.share_requests = 0;
    return ok();
  }
  if (p == "/config") {
    int64_t v = 0;
    if (auto s = form.find("page_size")) {
      if (!parse_int(*s, v) || v < 1 || v > 10000) return error(400, "bad page_size");
      app.page_size = static_cast<size_t>(v);
    }
    if (auto s = form.find("share_page_size")) {
      if (!parse_int(*s, v) || v < 1 || v > 10000) return error(400, "bad share_page_size");
      app.share_page_size = static_cast<size_t>(v);
    }
    return ok();
  }
  return error(404, "no such admin endpoint");
}

}  // namespace qs
