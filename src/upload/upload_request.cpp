#include "upload/upload_request.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "net/endpoints.h"
#include "net/inet_request.h"
#include "shell/login_state.h"
#include "util/codepage.h"
#include "util/file_ops.h"
#include "util/file_types.h"
#include "util/text_search.h"

namespace quarrow::upload {
namespace {

struct MimeRow {
  const char* extension;
  const char* field;
  const char* part;
};

constexpr char kOctet[] = "application/octet-stream";

// The extensions the service accepts. ".e" alone differs between the two places.
constexpr std::array<MimeRow, 42> kMimeTypes = {{
    {".*.ke", kOctet, kOctet},
    {".doc", "application/msword", "application/msword"},
    {".docx", kOctet, kOctet},
    {".zip", "application/x-zip-compressed", "application/x-zip-compressed"},
    {".rar", kOctet, kOctet},
    {".apk", "application/vnd.android.package-archive", "application/vnd.android.package-archive"},
    {".ipa", kOctet, kOctet},
    {".txt", "text/plain", "text/plain"},
    {".exe", "application/x-msdownload", "application/x-msdownload"},
    {".7z", kOctet, kOctet},
    {".e", "image/e", kOctet},
    {".z", "application/x-compress", "application/x-compress"},
    {".ct", kOctet, kOctet},
    {".ke", kOctet, kOctet},
    {".db", kOctet, kOctet},
    {".tar", "application/x-tar", "application/x-tar"},
    {".pdf", "application/pdf", "application/pdf"},
    {".w3x", kOctet, kOctet},
    {".epub", "application/epub+zip", "application/epub+zip"},
    {".mobi", kOctet, kOctet},
    {".azw", kOctet, kOctet},
    {".azw3", kOctet, kOctet},
    {".osk", kOctet, kOctet},
    {".osz", kOctet, kOctet},
    {".cpk", kOctet, kOctet},
    {".lua", kOctet, kOctet},
    {".jar", kOctet, kOctet},
    {".dmg", kOctet, kOctet},
    {".ppt", "application/vnd.ms-powerpoint", "application/vnd.ms-powerpoint"},
    {".pptx", kOctet, kOctet},
    {".xls", "application/vnd.ms-excel", "application/vnd.ms-excel"},
    {".xlsx", kOctet, kOctet},
    {".mp3", "audio/mp3", "audio/mp3"},
    {".iso", kOctet, kOctet},
    {".img", kOctet, kOctet},
    {".gho", kOctet, kOctet},
    {".ttf", kOctet, kOctet},
    {".ttc", kOctet, kOctet},
    {".txf", kOctet, kOctet},
    {".dwg", kOctet, kOctet},
    {".bat", kOctet, kOctet},
    {".dll", "application/x-msdownload", "application/x-msdownload"},
}};

const MimeRow* mime_row(const Text& name) {
  Text ext = util::file_extension(name);
  if (ext.empty()) ext = ".*.ke";
  for (const MimeRow& row : kMimeTypes)
    if (util::equal_ignore_case(ext, row.extension)) return &row;
  return nullptr;
}

constexpr char kBoundaryHeader[] = "Content-Type: multipart/form-data; boundary=----WebKitFormBoundaryeGCDJwoQEiqYHenN";
constexpr char kTail[] = "\r\n------WebKitFormBoundaryeGCDJwoQEiqYHenN--";

// The form up to the file's bytes, with five placeholder words in eight places.
const Text& form_template() {
  static const Text text = [] {
    const std::string d = "------WebKitFormBoundaryeGCDJwoQEiqYHenN\r\n";
    const std::string cd = "Content-Disposition: form-data; name=";
    return util::utf8_to_gbk_whole(
        d + cd + "\"task\"\r\n\r\n1\r\n" +
        d + cd + "\"folder_id\"\r\n\r\n文件夹ID\r\n" +
        d + cd + "\"id\"\r\n\r\nWU_FILE_1\r\n" +
        d + cd + "\"name\"\r\n\r\n文件名\r\n" +
        d + cd + "\"type\"\r\n\r\n文件类型\r\n" +
        d + cd + "\"lastModifiedDate\"\r\n\r\n修改时间\r\n" +
        d + cd + "\"size\"\r\n\r\n文件大小\r\n" +
        d + cd + "\"upload_file\"; filename=\"文件名\"\r\nContent-Type: 文件类型\r\n\r\n");
  }();
  return text;
}

struct FormValues {
  Text folder_id, name_utf8, size, field_type, part_type, date;
};

// Every placeholder replaced by its value in one pass, so a value is never
// read again as a placeholder; the first "文件类型" is the field's type, the
// second the part's.
Text fill_template(const FormValues& v) {
  const Text& form = form_template();
  struct Slot {
    Text word;
    const Text* value;
  };
  const Slot slots[] = {{"文件夹ID"_t, &v.folder_id}, {"文件名"_t, &v.name_utf8}, {"文件大小"_t, &v.size},
                        {"文件类型"_t, &v.field_type}, {"修改时间"_t, &v.date}};
  Text out;
  size_t at = 0;
  int types_seen = 0;
  while (true) {
    size_t best = util::npos;
    const Slot* found = nullptr;
    for (const Slot& slot : slots) {
      size_t p = util::find_marker(form, slot.word, at);
      if (p < best) best = p, found = &slot;
    }
    if (!found) break;
    out.append(form, at, best - at);
    const Text* value = found->value;
    if (found->word == slots[3].word && types_seen++ > 0) value = &v.part_type;
    out += *value;
    at = best + found->word.size();
  }
  out.append(form, at, Text::npos);
  return out;
}

// A file that cannot be opened, or is not a regular file, goes out as an empty
// part with the size "0"; the service decides what to make of it.
class FileSource {
 public:
  explicit FileSource(const Text& path) {
    fd_ = ::open(util::local_path(path).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) size_ = st.st_size;
  }
  ~FileSource() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  int64_t size() const { return size_; }

  // Up to `room` bytes of the file, never past the size taken at the start; 0
  // at the end or when the file ended early or could not be read.
  size_t read(char* buffer, size_t room) {
    int64_t left = size_ - done_;
    if (left <= 0 || fd_ < 0) return 0;
    room = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(room)));
    ssize_t n;
    do n = ::read(fd_, buffer, room);
    while (n < 0 && errno == EINTR);
    if (n <= 0) return 0;
    done_ += n;
    return static_cast<size_t>(n);
  }

 private:
  int fd_ = -1;
  int64_t size_ = 0;
  int64_t done_ = 0;
};

// The body as the transport pulls it: head, the file's bytes, tail. When the
// file gives out before its announced size, nothing more comes, and the
// transport fails the request for the missing bytes.
class BodyStream {
 public:
  BodyStream(Text head, FileSource& file) : head_(std::move(head)), file_(file) {}

  int64_t size() const {
    return static_cast<int64_t>(head_.size()) + file_.size() + static_cast<int64_t>(sizeof kTail - 1);
  }

  size_t read(char* buffer, size_t room) {
    size_t n = 0;
    n += copy_from(head_.data(), head_.size(), head_done_, buffer, room);
    if (head_done_ < head_.size()) return n;
    while (n < room && file_done_ < file_.size()) {
      size_t got = file_.read(buffer + n, room - n);
      if (got == 0) {
        broken_ = true;
        return n;
      }
      n += got;
      file_done_ += static_cast<int64_t>(got);
    }
    if (broken_ || file_done_ < file_.size()) return n;
    n += copy_from(kTail, sizeof kTail - 1, tail_done_, buffer + n, room - n);
    return n;
  }

 private:
  static size_t copy_from(const char* source, size_t size, size_t& done, char* buffer, size_t room) {
    size_t n = std::min(size - done, room);
    std::memcpy(buffer, source + done, n);
    done += n;
    return n;
  }

  Text head_;
  FileSource& file_;
  size_t head_done_ = 0;
  int64_t file_done_ = 0;
  size_t tail_done_ = 0;
  bool broken_ = false;
};

const char* const kWeekdays[] = {"Sun ", "Mon ", "Tue ", "Wed ", "Thu ", "Fri ", "Sat "};
const char* const kMonths[] = {"Jan ", "Feb ", "Mar ", "Apr ", "May ", "Jun ",
                               "Jul ", "Aug ", "Sep ", "Oct ", "Nov ", "Dec "};

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

Text local_time_text(const struct timespec& when, bool drop_midnight) {
  std::tm tm {};
  time_t seconds = when.tv_sec;
  if (!::localtime_r(&seconds, &tm)) return {};
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  Text text = buffer;
  if (drop_midnight && tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0) return text;
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text + buffer;
}

}  // namespace

Text field_mime_type(const Text& name) {
  const MimeRow* row = mime_row(name);
  return row ? row->field : "";
}

Text part_mime_type(const Text& name) {
  const MimeRow* row = mime_row(name);
  return row ? row->part : "";
}

Text upload_name(const Text& name) {
  if (util::file_extension(name).empty()) return name + ".*.ke";
  if (field_mime_type(name).empty()) return name + ".ke";
  return name;
}

Text two_digits(int n) {
  Text text = std::to_string(n);
  if (n <= 9) text.insert(text.begin(), '0');
  return text;
}

Text js_date_text(const DateTime& t) {
  int64_t days = days_from_civil(t.year, static_cast<unsigned>(std::clamp(t.month, 1, 12)),
                                 static_cast<unsigned>(std::clamp(t.day, 1, 31)));
  int weekday = static_cast<int>(((days % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
  return Text(kWeekdays[weekday]) + kMonths[std::clamp(t.month, 1, 12) - 1] + two_digits(t.day) + " " +
         std::to_string(t.year) + " " + two_digits(t.hour) + ":" + two_digits(t.minute) + ":" + two_digits(t.second) +
         " GMT+0800 (中国标准时间)"_t;
}

bool file_times(const Text& path, FileTimes& times) {
  if (path.empty()) return false;
  int fd = ::open(util::local_path(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct statx sx {};
  bool ok = ::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0;
  ::close(fd);
  if (!ok) return false;
  auto to_timespec = [](const struct statx_timestamp& t) { return timespec{t.tv_sec, static_cast<long>(t.tv_nsec)}; };
  // Not every file system keeps a birth time; the last status change is the nearest stand-in.
  struct timespec created = to_timespec((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
  times.created = local_time_text(created, false);
  times.accessed = local_time_text(to_timespec(sx.stx_atime), true);
  times.written = local_time_text(to_timespec(sx.stx_mtime), false);
  return true;
}

std::optional<DateTime> parse_date_time(const Text& text) {
  DateTime t;
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%n", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second,
                  &consumed) != 6 ||
      static_cast<size_t>(consumed) != text.size())
    return std::nullopt;
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
      t.minute > 59 || t.second < 0 || t.second > 60)
    return std::nullopt;
  return t;
}

Text upload_file(const Text& path, const Text& folder_id, const Text& cookie, const std::atomic<bool>* cancel) {
  Text cookie_copy = cookie.empty() ? shell::cookie_text() : cookie;
  Text name = upload_name(util::file_name_of_path(path));

  FileSource file(path);
  FileTimes times;
  DateTime written;  // a file whose times cannot be read is dated 1970-01-01 00:00:00
  if (file_times(path, times))
    if (auto parsed = parse_date_time(times.written)) written = *parsed;

  FormValues values{folder_id,
                    util::gbk_to_utf8(name),
                    std::to_string(file.size()),
                    field_mime_type(name),
                    part_mime_type(name),
                    js_date_text(written)};
  BodyStream body(fill_template(values), file);

  Text headers = Text(kBoundaryHeader) + "\r\n" + net::kDiskHostHeader;
  Text cookies_out, response_headers;
  net::InetRequestOptions options;
  options.method = 1;
  options.cookie = &cookie_copy;
  options.cookies_out = &cookies_out;
  options.headers = &headers;
  options.response_headers = &response_headers;
  options.body_reader = [&body](char* buffer, size_t size) { return body.read(buffer, size); };
  options.body_size = body.size();
  options.cancel = cancel;
  std::string answer = net::inet_request(net::disk_host() + "/fileup.php", options);
  if (cancel && cancel->load()) return {};
  return util::utf8_to_gbk(answer);
}

}  // namespace quarrow::upload
