#include "store.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "form.h"

namespace qs {

namespace {

const char kAlnum[] = "abcdefghijklmnopqrstuvwxyz0123456789";
const char kHexDigits[] = "0123456789abcdef";

std::string esc(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

// Fields were escaped by esc(), which never writes '+', so url_decode is exact.
std::string unesc(const std::string& s) { return url_decode(s); }

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    out.push_back(unesc(line.substr(start, tab - start)));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return out;
}

int64_t to_i64(const std::string& s) {
  int64_t v = 0;
  return parse_int(s, v) ? v : 0;
}

int64_t now() { return static_cast<int64_t>(time(nullptr)); }

bool make_dir(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

}  // namespace

bool Store::open(const std::string& dir, std::string* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  dir_ = dir;
  if (!make_dir(dir_) || !make_dir(dir_ + "/files")) {
    if (error) *error = "cannot create " + dir_ + ": " + std::strerror(errno);
    return false;
  }
  if (!load_locked(error)) return false;
  if (secret_.empty()) secret_ = random_text_locked(32, kHexDigits);
  save_locked();
  return true;
}

std::string Store::secret() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return secret_;
}

bool Store::load_locked(std::string* error) {
  std::ifstream in(dir_ + "/state.txt", std::ios::binary);
  if (!in) return true;  // a new data folder
  std::string line;
  while (std::getline(in, line)) {
    auto f = split_tabs(line);
    const std::string& kind = f[0];
    if (kind == "K" && f.size() >= 2) {
      secret_ = f[1];
    } else if (kind == "N" && f.size() >= 3) {
      next_id_ = to_i64(f[1]);
      next_uid_ = to_i64(f[2]);
    } else if (kind == "A" && f.size() >= 5) {
      accounts_.push_back({to_i64(f[1]), f[2], f[3], to_i64(f[4])});
    } else if (kind == "T" && f.size() >= 4) {
      sessions_.push_back({f[1], f[2], to_i64(f[3])});
    } else if (kind == "D" && f.size() >= 11) {
      Folder d;
      d.id = to_i64(f[1]);
      d.owner = f[2];
      d.parent = to_i64(f[3]);
      d.name = f[4];
      d.des = f[5];
      d.pwd = f[6];
      d.onof = f[7] == "1";
      d.key = f[8];
      d.deleted = f[9] == "1";
      d.created = to_i64(f[10]);
      folders_.push_back(d);
    } else if (kind == "F" && f.size() >= 12) {
      StoredFile s;
      s.id = to_i64(f[1]);
      s.owner = f[2];
      s.folder = to_i64(f[3]);
      s.name = f[4];
      s.des = f[5];
      s.pwd = f[6];
      s.onof = f[7] == "1";
      s.key = f[8];
      s.size = static_cast<uint64_t>(to_i64(f[9]));
      s.deleted = f[10] == "1";
      s.created = to_i64(f[11]);
      files_.push_back(s);
    }
  }
  if (in.bad()) {
    if (error) *error = "cannot read " + dir_ + "/state.txt";
    return false;
  }
  return true;
}

void Store::save_locked() {
  std::ostringstream out;
  out << "K\t" << esc(secret_) << "\n";
  out << "N\t" << next_id_ << "\t" << next_uid_ << "\n";
  for (const auto& a : accounts_) out << "A\t" << a.uid << "\t" << esc(a.name) << "\t" << esc(a.password) << "\t" << a.created << "\n";
  for (const auto& s : sessions_) out << "T\t" << esc(s.token) << "\t" << esc(s.account) << "\t" << s.created << "\n";
  for (const auto& d : folders_)
    out << "D\t" << d.id << "\t" << esc(d.owner) << "\t" << d.parent << "\t" << esc(d.name) << "\t" << esc(d.des) << "\t"
        << esc(d.pwd) << "\t" << (d.onof ? 1 : 0) << "\t" << esc(d.key) << "\t" << (d.deleted ? 1 : 0) << "\t"
        << d.created << "\n";
  for (const auto& f : files_)
    out << "F\t" << f.id << "\t" << esc(f.owner) << "\t" << f.folder << "\t" << esc(f.name) << "\t" << esc(f.des) << "\t"
        << esc(f.pwd) << "\t" << (f.onof ? 1 : 0) << "\t" << esc(f.key) << "\t" << f.size << "\t" << (f.deleted ? 1 : 0)
        << "\t" << f.created << "\n";
  // Written aside and renamed, so a crash never leaves half a state file.
  const std::string tmp = dir_ + "/state.txt.tmp";
  {
    std::ofstream file(tmp, std::ios::binary | std::ios::trunc);
    file << out.str();
    if (!file) return;
  }
  std::rename(tmp.c_str(), (dir_ + "/state.txt").c_str());
}

std::string Store::random_text_locked(size_t n, const char* alphabet) {
  size_t len = std::strlen(alphabet);
  std::string out;
  for (size_t i = 0; i < n; ++i) out += alphabet[rng_() % len];
  return out;
}

bool Store::key_taken_locked(const std::string& key) const {
  for (const auto& d : folders_)
    if (d.key == key) return true;
  for (const auto& f : files_)
    if (f.key == key) return true;
  return false;
}

bool Store::key_taken(const std::string& key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return key_taken_locked(key);
}

std::string Store::new_key_locked(char prefix) {
  for (;;) {
    std::string key = prefix + random_text_locked(7, kAlnum);
    if (!key_taken_locked(key)) return key;
  }
}

std::optional<Account> Store::create_account(const std::string& name, const std::string& password) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& a : accounts_)
    if (a.name == name) return std::nullopt;
  Account a{next_uid_++, name, password, now()};
  accounts_.push_back(a);
  save_locked();
  return a;
}

std::optional<Account> Store::account(const std::string& name) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& a : accounts_)
    if (a.name == name) return a;
  return std::nullopt;
}

std::string Store::create_session(const std::string& account) {
  std::lock_guard<std::mutex> lock(mutex_);
  Session s{random_text_locked(32, kHexDigits), account, now()};
  sessions_.push_back(s);
  save_locked();
  return s.token;
}

std::optional<std::string> Store::session_account(const std::string& token) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& s : sessions_)
    if (s.token == token) return s.account;
  return std::nullopt;
}

bool Store::end_session(const std::string& token) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto n = std::erase_if(sessions_, [&](const Session& s) { return s.token == token; });
  if (n) save_locked();
  return n > 0;
}

int Store::end_sessions_of(const std::string& account) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto n = std::erase_if(sessions_, [&](const Session& s) { return account.empty() || s.account == account; });
  if (n) save_locked();
  return static_cast<int>(n);
}

bool Store::folder_usable(const std::string& owner, int64_t id) const {
  if (id == kRootFolder) return true;
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& d : folders_)
    if (d.id == id) return !d.deleted && d.owner == owner;
  return false;
}

std::optional<Folder> Store::create_folder(const std::string& owner, int64_t parent, const std::string& name,
                                           const std::string& des, const std::string& key) {
  if (!folder_usable(owner, parent)) return std::nullopt;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!key.empty() && key_taken_locked(key)) return std::nullopt;
  Folder d;
  d.id = next_id_++;
  d.owner = owner;
  d.parent = parent;
  d.name = name;
  d.des = des;
  d.key = key.empty() ? new_key_locked('b') : key;
  d.created = now();
  folders_.push_back(d);
  save_locked();
  return d;
}

std::optional<Folder> Store::folder(int64_t id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& d : folders_)
    if (d.id == id) return d;
  return std::nullopt;
}

std::optional<Folder> Store::folder_by_key(const std::string& key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& d : folders_)
    if (d.key == key) return d;
  return std::nullopt;
}

bool Store::update_folder(const Folder& f) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& d : folders_) {
    if (d.id != f.id) continue;
    if (f.key != d.key && key_taken_locked(f.key)) return false;
    d = f;
    save_locked();
    return true;
  }
  return false;
}

bool Store::delete_folder(int64_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  bool found = false;
  for (const auto& d : folders_)
    if (d.id == id && !d.deleted) found = true;
  if (!found) return false;
  std::vector<int64_t> pending{id};
  while (!pending.empty()) {
    int64_t cur = pending.back();
    pending.pop_back();
    for (auto& d : folders_) {
      if (d.id == cur) d.deleted = true;
      else if (d.parent == cur && !d.deleted) pending.push_back(d.id);
    }
    for (auto& f : files_)
      if (f.folder == cur) f.deleted = true;
  }
  save_locked();
  return true;
}

std::vector<Folder> Store::subfolders(const std::string& owner, int64_t parent) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Folder> out;
  for (const auto& d : folders_)
    if (!d.deleted && d.owner == owner && d.parent == parent) out.push_back(d);
  return out;
}

int64_t Store::reserve_id() {
  std::lock_guard<std::mutex> lock(mutex_);
  int64_t id = next_id_++;
  save_locked();
  return id;
}

std::string Store::file_path(int64_t id) const { return dir_ + "/files/" + std::to_string(id); }

std::optional<StoredFile> Store::register_file(StoredFile f) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (f.key.empty()) f.key = new_key_locked('i');
  else if (key_taken_locked(f.key)) return std::nullopt;
  if (f.created == 0) f.created = now();
  files_.push_back(f);
  save_locked();
  return f;
}

std::optional<StoredFile> Store::file(int64_t id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& f : files_)
    if (f.id == id) return f;
  return std::nullopt;
}

std::optional<StoredFile> Store::file_by_key(const std::string& key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& f : files_)
    if (f.key == key) return f;
  return std::nullopt;
}

bool Store::update_file(const StoredFile& f) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& s : files_) {
    if (s.id != f.id) continue;
    if (f.key != s.key && key_taken_locked(f.key)) return false;
    s = f;
    save_locked();
    return true;
  }
  return false;
}

bool Store::delete_file(int64_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& f : files_) {
    if (f.id == id && !f.deleted) {
      f.deleted = true;
      save_locked();
      return true;
    }
  }
  return false;
}

std::vector<StoredFile> Store::files_in(const std::string& owner, int64_t folder) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<StoredFile> out;
  for (const auto& f : files_)
    if (!f.deleted && f.owner == owner && f.folder == folder) out.push_back(f);
  return out;
}

Snapshot Store::snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {accounts_, sessions_, folders_, files_};
}

}  // namespace qs
