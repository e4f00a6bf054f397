#include "server_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <thread>

#ifndef QUARROW_SERVER_BINARY
#error "QUARROW_SERVER_BINARY must name the quarrow-server executable"
#endif

extern char** environ;

namespace quarrow::test {

namespace {

std::string enc(std::string_view s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string base64_decode(std::string_view in) {
  auto val = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (char c : in) {
    int v = val(c);
    if (v < 0) continue;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xff);
    }
  }
  return out;
}

std::string changes_query(const Changes& c) {
  std::string q;
  if (c.name) q += "&name=" + enc(*c.name);
  if (c.des) q += "&des=" + enc(*c.des);
  if (c.pwd) q += "&pwd=" + enc(*c.pwd);
  if (c.key) q += "&key=" + enc(*c.key);
  if (c.onof) q += std::string("&onof=") + (*c.onof ? "1" : "0");
  return q;
}

FolderInfo to_folder(const JsonValue& v) {
  FolderInfo f;
  f.id = v["id"].integer();
  f.owner = v["owner"].str();
  f.parent = v["parent"].integer();
  f.name = v["name"].str();
  f.des = v["des"].str();
  f.pwd = v["pwd"].str();
  f.onof = v["onof"].integer() == 1;
  f.key = v["key"].str();
  f.deleted = v["deleted"].integer() == 1;
  return f;
}

FileInfo to_file(const JsonValue& v) {
  FileInfo f;
  f.id = v["id"].integer();
  f.owner = v["owner"].str();
  f.folder = v["folder"].integer();
  f.name = v["name"].str();
  f.des = v["des"].str();
  f.pwd = v["pwd"].str();
  f.onof = v["onof"].integer() == 1;
  f.key = v["key"].str();
  f.size = static_cast<uint64_t>(v["size"].num());
  f.deleted = v["deleted"].integer() == 1;
  f.path = v["path"].str();
  return f;
}

std::string field(const std::string& line, const std::string& name) {
  size_t p = line.find(name + "=");
  if (p == std::string::npos) return {};
  p += name.size() + 1;
  return line.substr(p, line.find(' ', p) - p);
}

}  // namespace

std::string generated_bytes(Pattern pattern, uint64_t offset, size_t length) {
  std::string out(length, '\0');
  if (pattern == Pattern::dense) {
    for (size_t j = 0; j < length; ++j) {
      uint64_t i = offset + j;
      out[j] = static_cast<char>((i * 131 + (i >> 8) * 17 + (i >> 16) * 29 + (i >> 24) * 7 + (i >> 32) * 3) & 0xff);
    }
    return out;
  }
  const uint64_t mib = 1024 * 1024;
  for (uint64_t k = offset / mib * mib; k < offset + length; k += mib) {
    char marker[17];
    std::snprintf(marker, sizeof marker, "%016llx", static_cast<unsigned long long>(k));
    for (uint64_t i = 0; i < 16; ++i)
      if (k + i >= offset && k + i < offset + length) out[k + i - offset] = marker[i];
  }
  return out;
}

std::optional<std::string> LoggedRequest::header(std::string_view name) const {
  for (const auto& line : header_lines) {
    size_t colon = line.find(':');
    if (colon == std::string::npos || colon != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < colon; ++i)
      if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(name[i])))
        same = false;
    if (!same) continue;
    std::string_view v = std::string_view(line).substr(colon + 1);
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    return std::string(v);
  }
  return std::nullopt;
}

Emulator::Emulator(const Options& options) {
  // The server watches its standard input: when this process ends, however it
  // ends, the pipe closes and the server stops instead of lingering.
  std::vector<std::string> args{QUARROW_SERVER_BINARY, "--test", "--watch-stdin"};
  if (!options.data_dir.empty()) args.insert(args.end(), {"--data", options.data_dir});
  if (options.seed_demo) args.emplace_back("--seed-demo");
  if (options.page_size > 0) args.insert(args.end(), {"--page-size", std::to_string(options.page_size)});
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2], in[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe2 failed";
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(in[0]);
  lifeline_ = in[1];
  if (rc != 0) {
    ::close(out[0]);
    ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(rc);
    return;
  }
  pid_ = pid;

  // The first line names the hosts; it comes at once, so wait only a while.
  std::string line;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0) continue;
    char buf[512];
    ssize_t n = ::read(out[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<size_t>(n));
  }
  ::close(out[0]);
  disk_url_ = field(line, "DISK_HOST");
  share_url_ = field(line, "SHARE_HOST");
  admin_url_ = field(line, "ADMIN");
  while (!admin_url_.empty() && (admin_url_.back() == '\n' || admin_url_.back() == '\r')) admin_url_.pop_back();
  if (disk_url_.empty() || share_url_.empty() || admin_url_.empty()) {
    ADD_FAILURE() << "quarrow-server did not announce its hosts; it printed: " << line;
    stop();
  }
}

Emulator::~Emulator() { stop(); }

int Emulator::stop() {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) break;
    if (r < 0) {
      status = -1;
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  ::close(lifeline_);
  lifeline_ = -1;
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

JsonValue Emulator::admin(const std::string& method, const std::string& path_and_query, const std::string& body) {
  HttpCall call;
  call.method = method;
  call.body = body;
  if (method == "POST" && path_and_query.rfind("/files?", 0) != 0)
    call.headers = {"Content-Type: application/x-www-form-urlencoded"};
  else if (method == "POST")
    call.headers = {"Content-Type: application/octet-stream"};
  HttpReply r = http(admin_url_ + path_and_query, call);
  auto v = JsonValue::parse(r.body);
  if (r.status != 200 || !v) {
    ADD_FAILURE() << "admin " << method << " " << path_and_query << " failed: " << r.status << " " << r.error << " "
                  << r.body;
    return {};
  }
  return *v;
}

int64_t Emulator::create_account(const std::string& name, const std::string& password) {
  return admin("POST", "/accounts", "name=" + enc(name) + "&password=" + enc(password))["uid"].integer();
}

FolderInfo Emulator::create_folder(const std::string& account, const std::string& name, int64_t parent,
                                   const std::string& des) {
  return to_folder(admin("POST", "/folders",
                         "account=" + enc(account) + "&name=" + enc(name) + "&parent=" + std::to_string(parent) +
                             "&des=" + enc(des)));
}

FileInfo Emulator::create_file(const std::string& account, const std::string& name, const std::string& bytes,
                               int64_t folder) {
  return to_file(admin("POST", "/files?account=" + enc(account) + "&name=" + enc(name) +
                                   "&folder=" + std::to_string(folder),
                       bytes));
}

FileInfo Emulator::create_generated_file(const std::string& account, const std::string& name, uint64_t size,
                                         Pattern pattern, int64_t folder) {
  return to_file(admin("POST", "/files?account=" + enc(account) + "&name=" + enc(name) +
                                   "&folder=" + std::to_string(folder) + "&size=" + std::to_string(size) +
                                   "&pattern=" + (pattern == Pattern::sparse ? "sparse" : "dense")));
}

FolderInfo Emulator::update_folder(int64_t id, const Changes& changes) {
  return to_folder(admin("POST", "/folders/update", "id=" + std::to_string(id) + changes_query(changes)));
}

FileInfo Emulator::update_file(int64_t id, const Changes& changes) {
  return to_file(admin("POST", "/files/update", "id=" + std::to_string(id) + changes_query(changes)));
}

FolderInfo Emulator::set_folder_password(int64_t id, bool on, const std::string& pwd) {
  Changes c;
  c.onof = on;
  c.pwd = pwd;
  return update_folder(id, c);
}

FileInfo Emulator::set_file_password(int64_t id, bool on, const std::string& pwd) {
  Changes c;
  c.onof = on;
  c.pwd = pwd;
  return update_file(id, c);
}

std::string Emulator::create_session(const std::string& account) {
  return admin("POST", "/sessions", "account=" + enc(account))["cookie"].str();
}

int Emulator::expire_sessions(const std::string& account) {
  return static_cast<int>(admin("POST", "/sessions/expire", "account=" + enc(account))["expired"].integer());
}

JsonValue Emulator::state() { return admin("GET", "/state"); }

std::vector<FolderInfo> Emulator::folders() {
  std::vector<FolderInfo> out;
  const JsonValue all = state();
  for (const auto& v : all["folders"].items()) out.push_back(to_folder(v));
  return out;
}

std::vector<FileInfo> Emulator::files() {
  std::vector<FileInfo> out;
  const JsonValue all = state();
  for (const auto& v : all["files"].items()) out.push_back(to_file(v));
  return out;
}

std::optional<FolderInfo> Emulator::folder(int64_t id) {
  for (auto& f : folders())
    if (f.id == id) return f;
  return std::nullopt;
}

std::optional<FileInfo> Emulator::file(int64_t id) {
  for (auto& f : files())
    if (f.id == id) return f;
  return std::nullopt;
}

std::vector<LoggedRequest> Emulator::request_log(std::optional<Host> host) {
  std::string q = host ? std::string("?host=") + (*host == Host::disk ? "disk" : "share") : "";
  std::vector<LoggedRequest> out;
  const JsonValue log = admin("GET", "/log" + q);  // the loop reads into it: keep it alive
  for (const auto& v : log["entries"].items()) {
    LoggedRequest e;
    e.seq = static_cast<uint64_t>(v["seq"].num());
    e.host = v["host"].str();
    e.connection = static_cast<uint64_t>(v["connection"].num());
    e.method = v["method"].str();
    e.target = v["target"].str();
    e.version = v["version"].str();
    for (const auto& h : v["headers"].items()) e.header_lines.push_back(h.str());
    e.body = base64_decode(v["body_b64"].str());
    e.body_size = static_cast<uint64_t>(v["body_size"].num());
    out.push_back(std::move(e));
  }
  return out;
}

void Emulator::clear_request_log() { admin("POST", "/log/clear"); }

void Emulator::add_fault(const Fault& f) {
  std::string body = "kind=" + enc(f.kind) + "&value=" + enc(f.value) + "&host=" + enc(f.host) + "&path=" + enc(f.path);
  if (f.times > 0) body += "&times=" + std::to_string(f.times);
  admin("POST", "/faults", body);
}

void Emulator::clear_faults() { admin("POST", "/faults/clear"); }

Stats Emulator::stats() {
  JsonValue v = admin("GET", "/stats");
  Stats s;
  s.disk_connections = static_cast<uint64_t>(v["disk_connections"].num());
  s.share_connections = static_cast<uint64_t>(v["share_connections"].num());
  s.disk_requests = static_cast<uint64_t>(v["disk_requests"].num());
  s.share_requests = static_cast<uint64_t>(v["share_requests"].num());
  s.file_bytes_sent = static_cast<uint64_t>(v["file_bytes_sent"].num());
  return s;
}

void Emulator::reset_stats() { admin("POST", "/stats/reset"); }

void Emulator::set_page_size(int page_size, int share_page_size) {
  std::string body = "page_size=" + std::to_string(page_size);
  if (share_page_size > 0) body += "&share_page_size=" + std::to_string(share_page_size);
  admin("POST", "/config", body);
}

std::unique_ptr<Emulator> ServerFixture::server_;

void ServerFixture::SetUpTestSuite() {
  if (!server_) server_ = std::make_unique<Emulator>();
}

void ServerFixture::TearDownTestSuite() {
  if (!server_) return;
  int status = server_->stop();
  // A non-zero exit is how the sanitizers report trouble inside the server.
  EXPECT_EQ(status, 0) << "quarrow-server did not exit cleanly";
  server_.reset();
}

void ServerFixture::SetUp() {
  ASSERT_TRUE(server_ && server_->running()) << "quarrow-server is not running";
  server_->clear_request_log();
  server_->clear_faults();
  server_->reset_stats();
  server_->set_page_size(20, 50);
}

Emulator& ServerFixture::server() { return *server_; }

std::string ServerFixture::new_user(const std::string& prefix, std::string* account_name, const std::string& password) {
  static std::atomic<int> counter{0};
  std::string name = prefix + std::to_string(++counter);
  server().create_account(name, password);
  if (account_name) *account_name = name;
  return server().create_session(name);
}

}  // namespace quarrow::test
