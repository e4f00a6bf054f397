// The download engine against curl, on one generated file served by a local
// quarrow-server: throughput of ranged_download and of `curl -o`, peak memory
// of the downloading process above its idle size (for two transfer sizes), how
// far a stop request runs on, and how many bytes a resume fetches.
//
//   download_bench [SIZE_MIB]      (default 1024)
//
// Figures only; nothing here passes or fails.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "download/direct_link.h"
#include "download/ranged_download.h"
#include "net/endpoints.h"
#include "net/http_client.h"
#include "bench_support.h"
#include "server_fixture.h"

using namespace quarrow;
using namespace quarrow::bench;

namespace {


// Child mode: one ranged_download in a fresh process, reporting its memory.
int child(const char* url, const char* path, long long offset) {
  // Idle: the libraries loaded and curl initialised by a first small request.
  net::HttpRequest warm;
  warm.url = url;
  warm.method = "HEAD";
  net::http_perform(warm);
  long idle = status_kib("VmRSS:");
  std::atomic<int> busy{1};
  download::TransferOptions options;
  options.busy = &busy;
  auto start = Clock::now();
  Text result = download::ranged_download(url, path, nullptr, offset, offset > 0, options);
  double wall = seconds_since(start);
  std::printf("%s %ld %ld %.6f\n", result.c_str(), idle, status_kib("VmHWM:"), wall);
  return result == "ok" ? 0 : 1;
}

struct ChildFigures {
  bool ok = false;
  long idle_kib = 0, peak_kib = 0;
  double transfer_s = 0, wall_s = 0;
};

ChildFigures run_child(const std::string& self, const std::string& url, const std::string& path, long long offset) {
  std::string out;
  ChildFigures f;
  f.wall_s = run_timed({self, "--child", url, path, std::to_string(offset)}, &out);
  char result[64] = {};
  f.ok = f.wall_s > 0 && std::sscanf(out.c_str(), "%63s %ld %ld %lf", result, &f.idle_kib, &f.peak_kib, &f.transfer_s) == 4;
  return f;
}

std::string sha256_of_file(const std::string& path) {
  std::string out;
  if (run_timed({"sha256sum", path}, &out) < 0) return "?";
  return out.substr(0, out.find(' '));
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--child") == 0) return child(argv[2], argv[3], std::atoll(argv[4]));
  const uint64_t size = static_cast<uint64_t>(argc > 1 ? std::atoll(argv[1]) : 1024) << 20;
  const std::string self = argv[0];
  char folder_template[] = "/tmp/quarrow-bench-XXXXXX";
  const std::string folder = ::mkdtemp(folder_template);
  const std::string ours = folder + "/ours.bin", theirs = folder + "/curl.bin";

  test::Emulator server;
  server.create_account("bench", "secret123");
  std::printf("generating %llu MiB on the server...\n", static_cast<unsigned long long>(size >> 20));
  test::FileInfo file = server.create_generated_file("bench", "bench.bin", size);
  net::set_endpoints(server.disk_url(), server.share_url());
  Text name, size_text, error;
  const Text url = download::resolve_direct_link(server.share_url() + "/" + file.key, "", name, size_text, error);
  if (url.empty()) {
    std::fprintf(stderr, "no direct URL\n");
    return 1;
  }
  const std::vector<std::string> curl = {"curl", "-s", "--noproxy", "*", "-o", theirs, url};

  // Throughput: each run a fresh process writing a fresh file, started with
  // no dirty pages of the run before still being written back, in the order
  // curl, ours, ours, curl, … so that neither tool always follows the other
  // (on this machine the second of two runs is the slower one).
  run_timed(curl);  // warms the server's page cache
  constexpr int kRuns = 8;
  std::vector<double> curl_s, ours_s, ours_transfer_s;
  ChildFigures big;
  auto time_curl = [&] {
    ::unlink(theirs.c_str());
    ::sync();
    curl_s.push_back(run_timed(curl));
  };
  auto time_ours = [&] {
    ::unlink(ours.c_str());
    ::sync();
    big = run_child(self, url, ours, 0);
    ours_s.push_back(big.ok ? big.wall_s : 1e9);
    ours_transfer_s.push_back(big.transfer_s);
  };
  for (int i = 0; i < kRuns; ++i) {
    if (i % 2 == 0) {
      time_curl();
      time_ours();
    } else {
      time_ours();
      time_curl();
    }
  }
  const double mib = static_cast<double>(size) / (1 << 20);
  auto best = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
  std::printf("\nthroughput, %.0f MiB, %d runs each (process start to exit): median / best\n", mib, kRuns);
  std::printf("  curl -o:         %.3f s / %.3f s  %.0f / %.0f MiB/s\n", median(curl_s), best(curl_s),
              mib / median(curl_s), mib / best(curl_s));
  std::printf("  ranged_download: %.3f s / %.3f s  %.0f / %.0f MiB/s  (transfer alone, median %.3f s)\n",
              median(ours_s), best(ours_s), mib / median(ours_s), mib / best(ours_s), median(ours_transfer_s));
  std::printf("  ratio ours/curl: median %.3f, best %.3f  (target >= 0.95)\n", median(curl_s) / median(ours_s),
              best(curl_s) / best(ours_s));
  const std::string sha_ours = sha256_of_file(ours), sha_curl = sha256_of_file(theirs);
  std::printf("  same bytes as curl: %s\n", sha_ours == sha_curl ? "yes" : "NO");

  // Memory: the whole file, and a quarter of it (a resume from 3/4).
  const long long quarter_offset = static_cast<long long>(size - size / 4);
  ::truncate(ours.c_str(), quarter_offset);
  ChildFigures small = run_child(self, url, ours, quarter_offset);
  std::printf("\npeak memory of the downloading process above idle (target <= 32 MiB)\n");
  std::printf("  %.0f MiB transfer: idle %ld KiB, peak %ld KiB, above idle %.1f MiB\n", mib, big.idle_kib,
              big.peak_kib, (big.peak_kib - big.idle_kib) / 1024.0);
  std::printf("  %.0f MiB transfer: idle %ld KiB, peak %ld KiB, above idle %.1f MiB\n", mib / 4, small.idle_kib,
              small.peak_kib, (small.peak_kib - small.idle_kib) / 1024.0);

  // Stop: the flag is cleared mid-transfer from another thread; how many bytes
  // reach the file after that.
  {
    ::unlink(ours.c_str());
    std::atomic<int> busy{1};
    std::atomic<int64_t> position{0};
    std::atomic<int64_t> at_stop{-1};
    Clock::time_point stop_time;
    download::TransferOptions options;
    options.busy = &busy;
    std::thread stopper([&] {
      while (position.load() < static_cast<int64_t>(size / 3)) std::this_thread::sleep_for(std::chrono::microseconds(200));
      stop_time = Clock::now();
      busy = 0;
      at_stop = position.load();
    });
    Text result = download::ranged_download(
        url, ours, [&](int64_t, int64_t p, int64_t, int64_t) { position = p; }, 0, false, options);
    const Clock::time_point returned = Clock::now();
    stopper.join();
    const double after_stop_ms = std::chrono::duration<double>(returned - stop_time).count() * 1000;
    struct stat st {};
    ::stat(ours.c_str(), &st);
    std::printf("\nstop request at %lld bytes: result %s, file %lld bytes, %lld bytes after the request "
                "(a chunk, one write of curl's, is at most %d), returned %.2f ms after it\n",
                static_cast<long long>(at_stop.load()), result.c_str(), static_cast<long long>(st.st_size),
                static_cast<long long>(st.st_size - at_stop.load()), CURL_MAX_WRITE_SIZE, after_stop_ms);
  }

  // Resume: a body cut after 40 %, then the rest; bytes counted at the server.
  {
    ::unlink(ours.c_str());
    const uint64_t cut = size / 5 * 2;
    server.add_fault({"cut", std::to_string(cut), "share", "/dl/", 1});
    std::atomic<int> busy{1};
    download::TransferOptions options;
    options.busy = &busy;
    Text first = download::ranged_download(url, ours, nullptr, 0, false, options);
    struct stat st {};
    ::stat(ours.c_str(), &st);
    server.reset_stats();
    Text second = download::ranged_download(url, ours, nullptr, st.st_size, true, options);
    const uint64_t sent = server.stats().file_bytes_sent;
    const uint64_t missing = size - static_cast<uint64_t>(st.st_size);
    std::printf("\nresume: first transfer %s after %lld bytes; second %s; server sent %llu bytes for %llu missing "
                "(ratio %.4f); file %s\n",
                first == "ok" ? "ok" : "failed", static_cast<long long>(st.st_size), second.c_str(),
                static_cast<unsigned long long>(sent), static_cast<unsigned long long>(missing),
                static_cast<double>(sent) / static_cast<double>(missing),
                sha256_of_file(ours) == sha_curl ? "identical to curl's" : "DIFFERENT");
  }

  ::unlink(ours.c_str());
  ::unlink(theirs.c_str());
  ::rmdir(folder.c_str());
  return 0;
}
