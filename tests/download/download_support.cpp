#include "download_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "download/direct_link.h"
#include "download/download_state.h"
#include "download/progress.h"
#include "net/endpoints.h"
#include "shell/run_dir.h"
#include "util/codepage.h"

namespace quarrow::testing {
namespace {

class Sha256 {
 public:
  Sha256() : ctx_(EVP_MD_CTX_new(), EVP_MD_CTX_free) { EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr); }
  void add(const char* data, size_t size) { EVP_DigestUpdate(ctx_.get(), data, size); }
  std::string hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx_.get(), digest, &length);
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
      out += kHex[digest[i] >> 4];
      out += kHex[digest[i] & 15];
    }
    return out;
  }

 private:
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx_;
};

}  // namespace

std::string sha256_of(const std::string& bytes) {
  Sha256 h;
  h.add(bytes.data(), bytes.size());
  return h.hex();
}

std::string sha256_file(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return {};
  }
  Sha256 h;
  const std::string zeros(1 << 20, '\0');
  std::string buffer(1 << 20, '\0');
  // Holes of sparse files are hashed as the zeros they read as, without reading
  // them: the kernel's zero-filling of gigabytes is what would make tests slow.
  off_t at = 0;
  while (at < st.st_size) {
    off_t data = ::lseek(fd, at, SEEK_DATA);
    if (data < 0) data = st.st_size;  // a hole up to the end
    for (; at < data; at += std::min<off_t>(data - at, zeros.size()))
      h.add(zeros.data(), static_cast<size_t>(std::min<off_t>(data - at, zeros.size())));
    off_t hole = ::lseek(fd, at, SEEK_HOLE);
    if (hole < 0) hole = st.st_size;
    while (at < hole) {
      ssize_t n = ::pread(fd, buffer.data(), static_cast<size_t>(std::min<off_t>(hole - at, buffer.size())), at);
      if (n <= 0) {
        ::close(fd);
        return {};
      }
      h.add(buffer.data(), static_cast<size_t>(n));
      at += n;
    }
  }
  ::close(fd);
  return h.hex();
}

std::string sha256_generated(test::Pattern pattern, uint64_t size) {
  Sha256 h;
  const uint64_t piece = 8 << 20;
  for (uint64_t at = 0; at < size; at += piece) {
    std::string bytes = test::generated_bytes(pattern, at, static_cast<size_t>(std::min(piece, size - at)));
    h.add(bytes.data(), bytes.size());
  }
  return h.hex();
}

void DownloadTest::SetUp() {
  test::ServerFixture::SetUp();
  net::set_endpoints(disk_url(), share_url());
  shell::set_run_dir(run_dir_.text());
  download::progress_state().reset();
  download::download_state().busy = 1;
}

void DownloadTest::TearDown() {
  download::download_state().busy = 0;
  download::download_state().running = false;
  download::download_state().stop_requested = false;
}

const std::string& DownloadTest::account() {
  static std::string name;
  static std::string server_seen;
  // One account per emulator (each suite starts its own).
  const std::string server_id = disk_url() + "#" + std::to_string(server().pid());
  if (server_seen != server_id) {
    new_user("dl", &name);
    server_seen = server_id;
  }
  return name;
}

DownloadTest::Shared DownloadTest::share_bytes(const std::string& name, const std::string& bytes,
                                               const std::string& password) {
  Shared s;
  s.file = server().create_file(account(), name, bytes);
  if (!password.empty()) s.file = server().set_file_password(s.file.id, true, password);
  s.link = share_url() + "/" + s.file.key;
  s.sha256 = sha256_of(bytes);
  return s;
}

DownloadTest::Shared DownloadTest::share_generated(const std::string& name, uint64_t size,
                                                   const std::string& password, test::Pattern pattern) {
  Shared s;
  s.file = server().create_generated_file(account(), name, size, pattern);
  if (!password.empty()) s.file = server().set_file_password(s.file.id, true, password);
  s.link = share_url() + "/" + s.file.key;
  s.sha256 = sha256_generated(pattern, size);
  return s;
}

Text DownloadTest::direct_url(const Shared& shared, const std::string& password) {
  Text name, size, error;
  Text url = download::resolve_direct_link(shared.link, password, name, size, error);
  EXPECT_FALSE(url.empty()) << util::gbk_to_utf8(error);
  return url;
}

Text DownloadTest::dead_link() { return share_url() + "/inosuchshare"; }

std::vector<test::LoggedRequest> DownloadTest::share_requests(const std::string& prefix) {
  std::vector<test::LoggedRequest> out;
  for (auto& r : server().request_log(test::Host::share))
    if (r.target.rfind(prefix, 0) == 0) out.push_back(std::move(r));
  return out;
}

CannedServer::CannedServer(std::string answer) : answer_(std::move(answer)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  ::listen(listener_, 1);
  socklen_t len = sizeof addr;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 10000) != 1) return;
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    char buffer[4096];
    std::string head;
    while (head.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      head.append(buffer, static_cast<size_t>(n));
    }
    request_ = head;
    for (size_t done = 0; done < answer_.size();) {
      ssize_t n = ::send(fd, answer_.data() + done, answer_.size() - done, MSG_NOSIGNAL);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::close(fd);
  });
}

CannedServer::~CannedServer() {
  ::shutdown(listener_, SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
  ::close(listener_);
}

std::string CannedServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string CannedServer::request() {
  if (thread_.joinable()) thread_.join();
  return request_;
}

int closed_port() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);  // bound but never listening, then released: connections are refused
  return ntohs(addr.sin_port);
}

}  // namespace quarrow::testing
