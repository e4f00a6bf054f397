#include "download/partial_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <string>

#include "util/codepage.h"
#include "util/file_ops.h"
#include "util/file_types.h"

namespace quarrow::download {
namespace {

// Room left under the usual 255-byte limit for ".", " (9999)" and ".quarrow".
constexpr size_t kMaxNameBytes = 200;
constexpr size_t kMaxKeptExtension = 32;
constexpr char kMagic[] = "quarrow partial download\n";
constexpr size_t kMaxRecordBytes = 64 * 1024;

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string cut_utf8(const std::string& s, size_t limit) {
  if (s.size() <= limit) return s;
  size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  return s.substr(0, cut);
}

// The dot of the extension, or npos; a leading dot starts a hidden name, not an extension.
size_t extension_dot(const Text& name) {
  Text ext = util::file_extension(name);
  if (ext.empty() || ext.size() >= name.size()) return Text::npos;
  return name.size() - ext.size();
}

Text numbered_name(const Text& name, int n) {
  size_t dot = extension_dot(name);
  Text suffix = " (" + std::to_string(n) + ")";
  return dot == Text::npos ? name + suffix : name.substr(0, dot) + suffix + name.substr(dot);
}

bool read_small_file(const std::string& path, std::string& out) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  char buffer[4096];
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || out.size() + static_cast<size_t>(n) > kMaxRecordBytes) ok = false;
    if (n <= 0 || !ok) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return ok;
}

bool write_all(int fd, const std::string& data) {
  for (size_t done = 0; done < data.size();) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Anything at the path, a dangling symbolic link included (writing through one
// would create a file somewhere else).
bool occupied(const Text& path) {
  struct stat st {};
  return ::lstat(util::local_path(path).c_str(), &st) == 0;
}

bool regular_file(const Text& path) {
  struct stat st {};
  return ::lstat(util::local_path(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

Text safe_file_name(const Text& name) {
  const std::string in = util::gbk_to_utf8(name);
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    if (c < 0x20 || c == 0x7F) continue;
    // C1 controls, U+0080 to U+009F.
    if (c == 0xC2 && i + 1 < in.size() && static_cast<unsigned char>(in[i + 1]) <= 0x9F) {
      ++i;
      continue;
    }
    out += (c == '/' || c == '\\') ? '_' : static_cast<char>(c);
  }
  if (out == "." || out == "..") out = "_";
  if (out.size() > kMaxNameBytes) {
    size_t dot = out.rfind('.');
    std::string ext = (dot != std::string::npos && dot > 0 && out.size() - dot <= kMaxKeptExtension)
                          ? out.substr(dot) : std::string();
    out = cut_utf8(out.substr(0, out.size() - ext.size()), kMaxNameBytes - ext.size()) + ext;
  }
  return util::utf8_to_gbk_whole(out);
}

Text record_path(const Text& target_path) {
  return util::folder_of_path(target_path) + "." + util::file_name_of_path(target_path) + ".quarrow";
}

std::optional<PartialRecord> read_record(const Text& target_path) {
  std::string data;
  if (!read_small_file(util::local_path(record_path(target_path)), data)) return std::nullopt;
  const std::string magic = kMagic;
  if (data.compare(0, magic.size(), magic) != 0) return std::nullopt;
  size_t size_at = magic.size();
  if (data.compare(size_at, 5, "size=") != 0) return std::nullopt;
  size_t size_end = data.find('\n', size_at);
  if (size_end == std::string::npos || data.compare(size_end + 1, 5, "link=") != 0) return std::nullopt;
  PartialRecord record;
  const char* first = data.data() + size_at + 5;
  const char* last = data.data() + size_end;
  auto [end, ec] = std::from_chars(first, last, record.expected_size);
  if (ec != std::errc() || end != last || record.expected_size < -1) return std::nullopt;
  std::string link = data.substr(size_end + 6);
  if (link.empty() || link.back() != '\n') return std::nullopt;
  link.pop_back();
  record.link = util::utf8_to_gbk_whole(link);
  return record;
}

bool write_record(const Text& target_path, const PartialRecord& record) {
  const Text path = record_path(target_path);
  if (occupied(path) && !read_record(target_path)) return false;
  const std::string local = util::local_path(path);
  const std::string data = std::string(kMagic) + "size=" + std::to_string(record.expected_size) + "\nlink=" +
                           util::gbk_to_utf8(record.link) + "\n";
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    // O_EXCL: never clobber a file that happens to have the temporary's name.
    std::string temp = local + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return false;
    bool ok = write_all(fd, data);
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), local.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
  }
  return false;
}

void remove_record(const Text& target_path) {
  if (read_record(target_path)) util::remove_local_file(record_path(target_path));
}

Target choose_target(const Text& folder, const Text& name, const Text& key) {
  const Text base = util::with_trailing_slash(folder);
  const std::string wanted_key = util::gbk_to_utf8(key);
  for (int n = 0; n < 10000; ++n) {
    Target t;
    t.name = n == 0 ? name : numbered_name(name, n);
    t.path = base + t.name;
    std::optional<PartialRecord> record = read_record(t.path);
    if (!record && occupied(record_path(t.path))) continue;  // something else lives there
    if (!occupied(t.path)) return t;  // free; a record left without its file is replaced
    if (!record || util::gbk_to_utf8(record->link) != wanted_key || !regular_file(t.path)) continue;
    t.own_partial = true;
    t.partial_size = util::file_size(t.path);
    t.expected_size = record->expected_size;
    return t;
  }
  return {};
}

}  // namespace quarrow::download
