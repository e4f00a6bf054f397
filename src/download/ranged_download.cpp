#include "download/ranged_download.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "download/download_state.h"
#include "net/http_client.h"
#include "util/codepage.h"

namespace quarrow::download {

namespace failure {
Text no_connection() { return "Internet连接错误!"_t; }
Text cannot_open_url() { return "不能打开该URL!"_t; }
Text cannot_open_file() { return "不能打开本地的文件!"_t; }
Text read_error() { return "读文件出错!"_t; }
Text write_error() { return "写入本地文件出错!"_t; }
Text server_error(long status) { return "服务器返回错误("_t + std::to_string(status) + ")"; }
Text range_mismatch() { return "服务器返回的数据位置不对"_t; }
}  // namespace failure

namespace {

constexpr char kAgentLine[] =
    "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";

std::optional<std::string_view> header_value(const std::vector<std::string>& lines, std::string_view name) {
  for (const auto& line : lines) {
    if (line.size() <= name.size() || line[name.size()] != ':') continue;
    if (strncasecmp(line.data(), name.data(), name.size()) != 0) continue;
    std::string_view v(line);
    v.remove_prefix(name.size() + 1);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    return v;
  }
  return std::nullopt;
}

// A decimal count with nothing around it; -1 otherwise.
int64_t parse_count(std::string_view s) {
  int64_t v = -1;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < 0) return -1;
  return v;
}

struct ContentRange {
  int64_t first = -1;  // -1 for "*"
  int64_t size = -1;   // -1 for "*" or missing
};

std::optional<ContentRange> parse_content_range(std::string_view v) {
  if (v.size() < 6 || strncasecmp(v.data(), "bytes ", 6) != 0) return std::nullopt;
  v.remove_prefix(6);
  size_t slash = v.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  ContentRange r;
  std::string_view span = v.substr(0, slash), size = v.substr(slash + 1);
  if (size != "*" && (r.size = parse_count(size)) < 0) return std::nullopt;
  if (span == "*") return r;
  size_t dash = span.find('-');
  if (dash == std::string_view::npos || (r.first = parse_count(span.substr(0, dash))) < 0 ||
      parse_count(span.substr(dash + 1)) < r.first)
    return std::nullopt;
  return r;
}

int64_t now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class Transfer {
 public:
  Transfer(const std::string& path, const ProgressRoutine& progress, int64_t offset, bool resume,
           const TransferOptions& options)
      : path_(path), progress_(progress), offset_(offset), resume_(resume), options_(options),
        busy_(options.busy ? options.busy : &download_state().busy) {}
  ~Transfer() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool on_headers(long status, const std::vector<std::string>& lines) {
    if (busy_->load() == 0) return stop();
    int64_t length = -1;
    if (auto v = header_value(lines, "Content-Length")) length = parse_count(*v);
    std::optional<ContentRange> range;
    if (auto v = header_value(lines, "Content-Range")) range = parse_content_range(*v);

    if (status == 200) {
      // Also the answer to a range request from a server that ignores ranges:
      // its body is the whole file, so the file starts again.
      start_ = 0;
      total_ = length;
    } else if (status == 206) {
      const int64_t wanted = resume_ ? offset_ : 0;
      if (!range || range->first != wanted) return fail(failure::range_mismatch());
      start_ = wanted;
      total_ = range->size >= 0 ? range->size : (length >= 0 ? wanted + length : -1);
    } else if (status == 416 && resume_ && offset_ > 0) {
      const int64_t size = range ? range->size : -1;
      if (size == offset_ || (size < 0 && options_.expected_size == offset_)) {
        already_complete_ = true;
        return false;
      }
      return fail(failure::server_error(status));
    } else {
      return fail(failure::server_error(status));
    }

    if (options_.on_accepted && !options_.on_accepted(total_)) return fail(failure::cannot_open_file());
    if (!open_file()) return fail(failure::cannot_open_file());
    position_ = start_;
    t0_ = now_ms();
    accepted_ = true;
    return true;
  }

  bool on_body(const char* data, size_t size) {
    if (!accepted_) return false;
    if (busy_->load() == 0) return stop();
    for (size_t done = 0; done < size;) {
      ssize_t n = ::write(fd_, data + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return fail(failure::write_error());
      done += static_cast<size_t>(n);
    }
    position_ += static_cast<int64_t>(size);
    report();
    return true;
  }

  Text finish(const net::HttpResponse& response) {
    if (!failure_.empty()) {
      close_file();
      return failure_;
    }
    if (already_complete_) {
      if (progress_) progress_(offset_, offset_, 10, 0);
      return "ok";
    }
    if (stopped_ || response.cancelled) return close_file() ? Text("ok") : failure::write_error();
    if (!accepted_) return response.answered ? failure::read_error() : failure::cannot_open_url();
    if (!close_file()) return failure::write_error();
    if (!response.completed) return failure::read_error();
    // Without a size the last report was of unknown size: one more with the
    // size now known, so the final refresh shows it.
    if (total_ < 0 && position_ > 0 && progress_) progress_(position_, position_, elapsed(), position_ - start_);
    return "ok";
  }

 private:
  bool stop() {
    stopped_ = true;
    return false;
  }
  bool fail(const Text& text) {
    failure_ = text;
    return false;
  }

  bool open_file() {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ < 0) return false;
    // Exclusive: a second program writing the same file would corrupt it.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (start_ > st.st_size) return false;  // the bytes before the offset are not there
    if (st.st_size != start_ && ::ftruncate(fd_, start_) != 0) return false;
    return ::lseek(fd_, start_, SEEK_SET) == start_;
  }

  bool close_file() {
    if (fd_ < 0) return true;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

  int64_t elapsed() const {
    int64_t ms = now_ms() - t0_;
    return ms == 0 ? 10 : ms;
  }

  void report() {
    if (progress_) progress_(total_ > 0 ? total_ : 0, position_, elapsed(), position_ - start_);
  }

  std::string path_;
  const ProgressRoutine& progress_;
  const int64_t offset_;
  const bool resume_;
  const TransferOptions& options_;
  const std::atomic<int>* busy_;

  int fd_ = -1;
  int64_t start_ = 0;
  int64_t total_ = -1;
  int64_t position_ = 0;
  int64_t t0_ = 0;
  bool accepted_ = false;
  bool already_complete_ = false;
  bool stopped_ = false;
  Text failure_;
};

}  // namespace

Text ranged_download(const Text& url, const Text& local_path, const ProgressRoutine& progress, int64_t offset,
                     bool resume, const TransferOptions& options) {
  if (offset < 0) offset = 0;
  Transfer transfer(util::local_path(local_path), progress, offset, resume, options);

  net::HttpRequest request;
  request.url = util::gbk_to_utf8(url);
  // No Accept-Encoding: the bytes written must be the file's own.
  request.header_lines = {"Accept: */*", "Accept-Language: zh-cn", kAgentLine};
  if (resume) request.header_lines.push_back("Range:bytes=" + std::to_string(offset) + "-");
  request.receive_buffer = options.receive_buffer;
  request.cancel = options.cancel;
  request.on_headers = [&](long status, const std::vector<std::string>& lines) {
    return transfer.on_headers(status, lines);
  };
  request.body_sink = [&](long, const char* data, size_t size) { return transfer.on_body(data, size); };

  net::HttpResponse response = net::http_perform(request);
  // No curl handle at all leaves no error text; a URL curl refuses has one.
  if (response.malformed_url) return response.error.empty() ? failure::no_connection() : failure::cannot_open_url();
  return transfer.finish(response);
}

}  // namespace quarrow::download
