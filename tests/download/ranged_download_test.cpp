// ranged_download against quarrow-server and its faults: what reaches the file,
// what goes on the wire, and what is reported.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <vector>

#include "download/download_state.h"
#include "download/ranged_download.h"
#include "download_support.h"
#include "util/codepage.h"

namespace quarrow::testing {
namespace {

using download::ranged_download;
using download::TransferOptions;
namespace failure = download::failure;

struct Report {
  int64_t total, position, elapsed, new_bytes;
};

class RangedDownloadTest : public DownloadTest {
 protected:
  static constexpr uint64_t kSize = 3 * 1024 * 1024 + 17;

  void SetUp() override {
    DownloadTest::SetUp();
    shared_ = share_generated("data.bin", kSize);
    url_ = direct_url(shared_);
    server().clear_request_log();
    server().reset_stats();
  }

  Text run(int64_t offset, bool resume, const TransferOptions& options = {}) {
    reports_.clear();
    return ranged_download(
        url_, target(), [this](int64_t t, int64_t p, int64_t e, int64_t n) { reports_.push_back({t, p, e, n}); },
        offset, resume, options);
  }
  Text target() const { return dir_.text() + "data.bin"; }
  std::filesystem::path path() const { return dir_ / "data.bin"; }
  static std::string bytes(uint64_t from, uint64_t count) {
    return test::generated_bytes(test::Pattern::dense, from, count);
  }
  std::vector<test::LoggedRequest> file_requests() { return share_requests("/dl/"); }

  Shared shared_;
  Text url_;
  std::vector<Report> reports_;
};

TEST_F(RangedDownloadTest, FreshDownloadOnTheWireAndReported) {
  write_file(path(), std::string(kSize + 100, 'j'));  // an older, longer file of the task is emptied
  EXPECT_EQ(run(0, false), "ok");
  auto log = file_requests();
  ASSERT_EQ(log.size(), 1u);
  std::vector<std::string> lines;
  for (const auto& line : log[0].header_lines)
    if (line.rfind("Host:", 0) != 0) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Accept: */*", "Accept-Language: zh-cn",
                       "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)"}))
      << "no Range, no Accept-Encoding";
  ASSERT_FALSE(reports_.empty());
  int64_t last = 0;
  for (const auto& r : reports_) {
    EXPECT_EQ(r.total, static_cast<int64_t>(kSize));
    EXPECT_GT(r.position, last);
    EXPECT_EQ(r.new_bytes, r.position);
    EXPECT_GT(r.elapsed, 0);
    last = r.position;
  }
  EXPECT_EQ(last, static_cast<int64_t>(kSize));
  EXPECT_EQ(sha256_file(path()), shared_.sha256);
}

TEST_F(RangedDownloadTest, ResumeAsksForTheRestAndWritesBehindThePartialBytes) {
  const uint64_t have = 1000001;
  write_file(path(), bytes(0, have));
  EXPECT_EQ(run(have, true), "ok");
  auto log = file_requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].header("Range").value_or(""), "bytes=1000001-");
  EXPECT_EQ(server().stats().file_bytes_sent, kSize - have);
  ASSERT_FALSE(reports_.empty());
  EXPECT_EQ(reports_[0].total, static_cast<int64_t>(kSize));
  EXPECT_GT(reports_[0].position, static_cast<int64_t>(have));
  EXPECT_EQ(reports_[0].new_bytes, reports_[0].position - static_cast<int64_t>(have));
  EXPECT_EQ(reports_.back().position, static_cast<int64_t>(kSize));
  EXPECT_EQ(sha256_file(path()), shared_.sha256);
}

TEST_F(RangedDownloadTest, ErrorAnswersNeverReachTheFile) {
  struct Case {
    const char* name;
    test::Fault fault;
    bool with_partial;
    Text expected;
  };
  const Case cases[] = {
      {"404 page, fresh", {"error_page", "404", "share", "/dl/"}, false, failure::server_error(404)},
      {"500 page on resume", {"error_page", "500", "share", "/dl/"}, true, failure::server_error(500)},
      {"416 for a partial file that is not complete", {"status416", "", "share", "/dl/"}, true,
       failure::server_error(416)},
  };
  const std::string partial = bytes(0, 4096);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server().clear_faults();
    server().add_fault(c.fault);
    std::filesystem::remove(path());
    if (c.with_partial) write_file(path(), partial);
    bool accepted = false;
    TransferOptions o;
    o.expected_size = kSize;
    o.on_accepted = [&](int64_t) { return accepted = true; };
    EXPECT_EQ(run(c.with_partial ? partial.size() : 0, c.with_partial, o), c.expected);
    EXPECT_FALSE(accepted);
    EXPECT_TRUE(reports_.empty());
    if (c.with_partial) EXPECT_EQ(sha256_file(path()), sha256_of(partial));
    else EXPECT_FALSE(std::filesystem::exists(path()));
  }
}

TEST_F(RangedDownloadTest, RangeIgnoredStartsTheFileAgain) {
  server().add_fault({"ignore_range", "", "share", "/dl/"});
  write_file(path(), bytes(0, 5000));
  int64_t accepted_total = -2;
  TransferOptions o;
  o.on_accepted = [&](int64_t total) {
    accepted_total = total;
    return true;
  };
  EXPECT_EQ(run(5000, true, o), "ok");
  EXPECT_EQ(accepted_total, static_cast<int64_t>(kSize));
  ASSERT_FALSE(reports_.empty());
  EXPECT_EQ(reports_.back().position, static_cast<int64_t>(kSize));
  EXPECT_EQ(reports_.back().new_bytes, static_cast<int64_t>(kSize));
  EXPECT_EQ(std::filesystem::file_size(path()), kSize);
  EXPECT_EQ(sha256_file(path()), shared_.sha256);
}

TEST_F(RangedDownloadTest, A416ForACompleteFileIsDone) {
  write_file(path(), bytes(0, kSize));
  TransferOptions o;
  o.expected_size = kSize;
  EXPECT_EQ(run(kSize, true, o), "ok");
  ASSERT_EQ(file_requests().size(), 1u);
  EXPECT_EQ(server().stats().file_bytes_sent, 0u);
  ASSERT_EQ(reports_.size(), 1u) << "one report, so the final refresh shows the size";
  EXPECT_EQ(reports_[0].total, static_cast<int64_t>(kSize));
  EXPECT_EQ(sha256_file(path()), shared_.sha256);
}

TEST_F(RangedDownloadTest, ABodyCutShortFailsAndTheRestResumes) {
  server().add_fault({"cut", "1500000", "share", "/dl/", 1});
  EXPECT_EQ(run(0, false), failure::read_error());
  ASSERT_EQ(std::filesystem::file_size(path()), 1500000u);
  EXPECT_EQ(sha256_file(path()), sha256_of(bytes(0, 1500000)));
  server().reset_stats();
  EXPECT_EQ(run(1500000, true), "ok");
  EXPECT_EQ(server().stats().file_bytes_sent, kSize - 1500000);
  EXPECT_EQ(sha256_file(path()), shared_.sha256);
}

TEST_F(RangedDownloadTest, StopDropsTheChunkReadLast) {
  std::atomic<int> busy{1};
  TransferOptions o;
  o.busy = &busy;
  o.receive_buffer = 16 * 1024;
  reports_.clear();
  Text result = ranged_download(
      url_, target(),
      [&](int64_t t, int64_t p, int64_t e, int64_t n) {
        reports_.push_back({t, p, e, n});
        if (reports_.size() == 3) busy = 0;
      },
      0, false, o);
  EXPECT_EQ(result, "ok");
  ASSERT_EQ(reports_.size(), 3u);
  const uint64_t kept = static_cast<uint64_t>(reports_.back().position);
  EXPECT_LT(kept, kSize);
  EXPECT_EQ(std::filesystem::file_size(path()), kept) << "exactly what was reported";
  EXPECT_EQ(sha256_file(path()), sha256_of(bytes(0, kept)));
}

TEST_F(RangedDownloadTest, NoAnswerOrNoFile) {
  struct Case {
    const char* name;
    Text url;
    Text local;
    Text expected;
  };
  const Case cases[] = {
      {"refused", "http://127.0.0.1:" + std::to_string(closed_port()) + "/dl/x", target(), failure::cannot_open_url()},
      {"not a URL", "ht!tp://nowhere", target(), failure::cannot_open_url()},
      {"no such folder", url_, dir_.text() + "missing/data.bin", failure::cannot_open_file()},
      {"a folder in the way", url_, dir_.text(), failure::cannot_open_file()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Text result = ranged_download(c.url, c.local, nullptr, 0, false);
    EXPECT_EQ(result, c.expected) << util::gbk_to_utf8(result);
  }
  EXPECT_FALSE(std::filesystem::exists(path()));
  EXPECT_EQ(sha256_file(path()), "");
}

TEST_F(RangedDownloadTest, AnotherWriterHoldsTheFile) {
  write_file(path(), bytes(0, 10));
  int fd = ::open(path().c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(run(10, true), failure::cannot_open_file());
  ::close(fd);
  EXPECT_EQ(sha256_file(path()), sha256_of(bytes(0, 10)));
}

// Answers the emulator does not give.
TEST(RangedDownloadCanned, AnswersJudgedBeforeWriting) {
  TempDir dir;
  const Text local = dir.text() + "f.bin";
  const std::string partial = "0123456789";
  struct Case {
    const char* name;
    std::string answer;
    int64_t offset;
    int64_t expected_size;
    Text result;
    std::string file_after;
    const char* header_not_sent;
  };
  const std::string gz = std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00", 8) + "raw";
  const Case cases[] = {
      {"206 from the wrong place", "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-4/15\r\nContent-Length: 5\r\n\r\n01234",
       10, 15, failure::range_mismatch(), partial, nullptr},
      {"206 with an unreadable Content-Range", "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes ten-20/abc\r\nContent-Length: 5\r\n\r\nABCDE",
       10, 15, failure::range_mismatch(), partial, nullptr},
      {"206 without Content-Range", "HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\n\r\nABCDE", 10, 15,
       failure::range_mismatch(), partial, nullptr},
      {"416 without Content-Range, record says complete", "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\n\r\n",
       10, 10, "ok", partial, nullptr},
      {"416 saying the file has another size", "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */99\r\nContent-Length: 0\r\n\r\n",
       10, 10, failure::server_error(416), partial, nullptr},
      {"redirect without Location", "HTTP/1.1 302 Found\r\nContent-Length: 3\r\n\r\nabc", 10, 15,
       failure::server_error(302), partial, nullptr},
      {"compressed bytes stay as they are", "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 10-20/21\r\nContent-Encoding: gzip\r\nContent-Length: 11\r\n\r\n" + gz,
       10, 21, "ok", partial + gz, "Accept-Encoding"},
      {"size unknown, ends with the connection", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nwhole file", 10, -1, "ok",
       "whole file", nullptr},
      {"cut before Content-Length", "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 10-29/30\r\nContent-Length: 20\r\n\r\nonly ten b",
       10, 30, failure::read_error(), partial + "only ten b", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(dir / "f.bin", partial);
    CannedServer server(c.answer);
    std::vector<Report> reports;
    std::atomic<int> busy{1};
    TransferOptions o;
    o.expected_size = c.expected_size;
    o.busy = &busy;
    Text result = ranged_download(
        server.url(), local, [&](int64_t t, int64_t p, int64_t e, int64_t n) { reports.push_back({t, p, e, n}); },
        c.offset, true, o);
    EXPECT_EQ(result, c.result) << util::gbk_to_utf8(result);
    if (c.header_not_sent) {
      EXPECT_EQ(server.request().find(c.header_not_sent), std::string::npos);
    }
    EXPECT_NE(server.request().find("Range:bytes=10-\r\n"), std::string::npos);
    if (c.result == "ok" && !reports.empty()) {
      EXPECT_EQ(reports.back().total, static_cast<int64_t>(c.file_after.size())) << "the last report knows the size";
    }
    EXPECT_EQ(sha256_file(dir / "f.bin"), sha256_of(c.file_after));
  }
}

// Sizes and offsets beyond 32 bits: a sparse 4 GiB + file whose last MiB is
// fetched onto a local partial file of the same content.
TEST_F(RangedDownloadTest, BeyondFourGibibytes) {
  const uint64_t size = (4ull << 30) + (1 << 20) + 123;
  const uint64_t have = size - (1 << 20) - 7;
  Shared big = share_generated("big.bin", size, {}, test::Pattern::sparse);
  const Text url = direct_url(big);
  {
    int fd = ::open(path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(have)), 0);
    for (uint64_t k = 0; k < have; k += 1 << 20) {
      std::string marker = test::generated_bytes(test::Pattern::sparse, k, std::min<uint64_t>(16, have - k));
      ASSERT_EQ(::pwrite(fd, marker.data(), marker.size(), static_cast<off_t>(k)), static_cast<ssize_t>(marker.size()));
    }
    ::close(fd);
  }
  server().clear_request_log();
  server().reset_stats();
  reports_.clear();
  TransferOptions o;
  o.expected_size = static_cast<int64_t>(size);
  Text result = ranged_download(
      url, target(), [this](int64_t t, int64_t p, int64_t e, int64_t n) { reports_.push_back({t, p, e, n}); },
      static_cast<int64_t>(have), true, o);
  EXPECT_EQ(result, "ok");
  auto log = file_requests();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].header("Range").value_or(""), "bytes=" + std::to_string(have) + "-");
  EXPECT_EQ(server().stats().file_bytes_sent, size - have);
  ASSERT_FALSE(reports_.empty());
  EXPECT_EQ(reports_[0].total, static_cast<int64_t>(size));
  EXPECT_EQ(reports_.back().position, static_cast<int64_t>(size));
  EXPECT_EQ(reports_.back().new_bytes, static_cast<int64_t>(size - have));
  EXPECT_EQ(std::filesystem::file_size(path()), size);
  EXPECT_EQ(sha256_file(path()), big.sha256);
}

}  // namespace
}  // namespace quarrow::testing
