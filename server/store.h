// The service's state: accounts, sessions, the folder tree and the files,
// kept in a data folder (a state file plus one file per stored file) so that
// it survives a restart. Every method locks; results are copies.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace qs {

constexpr int64_t kRootFolder = -1;

struct Account {
  int64_t uid = 0;
  std::string name;
  std::string password;
  int64_t created = 0;
};

struct Session {
  std::string token;
  std::string account;
  int64_t created = 0;
};

struct Folder {
  int64_t id = 0;
  std::string owner;
  int64_t parent = kRootFolder;
  std::string name;
  std::string des;
  std::string pwd;
  bool onof = false;  // share password switched on
  std::string key;    // share key, "b..."
  bool deleted = false;
  int64_t created = 0;
};

struct StoredFile {
  int64_t id = 0;
  std::string owner;
  int64_t folder = kRootFolder;
  std::string name;
  std::string des;
  std::string pwd;
  bool onof = false;
  std::string key;  // share key, "i..."
  uint64_t size = 0;
  bool deleted = false;
  int64_t created = 0;
};

struct Snapshot {
  std::vector<Account> accounts;
  std::vector<Session> sessions;
  std::vector<Folder> folders;
  std::vector<StoredFile> files;
};

class Store {
 public:
  bool open(const std::string& dir, std::string* error);
  const std::string& dir() const { return dir_; }
  std::string secret() const;

  std::optional<Account> create_account(const std::string& name, const std::string& password);
  std::optional<Account> account(const std::string& name) const;

  std::string create_session(const std::string& account);
  std::optional<std::string> session_account(const std::string& token) const;
  bool end_session(const std::string& token);
  // Ends every session of the account, or all sessions for "".
  int end_sessions_of(const std::string& account);

  // Fails when the parent is neither the root nor a live folder of the owner.
  std::optional<Folder> create_folder(const std::string& owner, int64_t parent, const std::string& name,
                                      const std::string& des, const std::string& key = {});
  std::optional<Folder> folder(int64_t id) const;
  std::optional<Folder> folder_by_key(const std::string& key) const;
  bool update_folder(const Folder& f);
  // Moves the folder and everything below it to the recycle bin.
  bool delete_folder(int64_t id);
  std::vector<Folder> subfolders(const std::string& owner, int64_t parent) const;
  // True for the root and for live folders of the owner.
  bool folder_usable(const std::string& owner, int64_t id) const;

  // A file's bytes are written to file_path(reserve_id()) first, then registered.
  int64_t reserve_id();
  std::string file_path(int64_t id) const;
  std::optional<StoredFile> register_file(StoredFile f);
  std::optional<StoredFile> file(int64_t id) const;
  std::optional<StoredFile> file_by_key(const std::string& key) const;
  bool update_file(const StoredFile& f);
  bool delete_file(int64_t id);
  std::vector<StoredFile> files_in(const std::string& owner, int64_t folder) const;

  Snapshot snapshot() const;
  bool key_taken(const std::string& key) const;

 private:
  void save_locked();
  bool load_locked(std::string* error);
  std::string new_key_locked(char prefix);
  std::string random_text_locked(size_t n, const char* alphabet);
  bool key_taken_locked(const std::string& key) const;

  mutable std::mutex mutex_;
  std::string dir_;
  std::string secret_;
  int64_t next_id_ = 1001;
  int64_t next_uid_ = 10001;
  std::vector<Account> accounts_;
  std::vector<Session> sessions_;
  std::vector<Folder> folders_;
  std::vector<StoredFile> files_;
  std::mt19937_64 rng_{std::random_device{}()};
};

}  // namespace qs
