// The upload request against curl, on one generated local file sent to a local
// quarrow-server: throughput of upload_file and of `curl -F` with the same
// form fields, and peak memory of the uploading process above its idle size.
//
//   upload_bench [SIZE_MIB]      (default 100, the largest file the service takes)
//
// Figures only; nothing here passes or fails.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "net/endpoints.h"
#include "net/http_client.h"
#include "bench_support.h"
#include "server_fixture.h"
#include "upload/upload_request.h"
#include "util/codepage.h"
#include "util/json_doc.h"

using namespace quarrow;
using namespace quarrow::bench;

namespace {


bool succeeded(const std::string& answer_utf8) { return answer_utf8.find("\"zt\":1") != std::string::npos; }

// Child mode: one upload_file in a fresh process, reporting its memory.
int child(const char* disk_host, const char* path, const char* cookie) {
  net::set_endpoints(disk_host, disk_host);
  // Idle: the libraries loaded and curl initialised by a first small request.
  net::HttpRequest warm;
  warm.url = std::string(disk_host) + "/mydisk.php";
  net::http_perform(warm);
  long idle = status_kib("VmRSS:");
  auto start = Clock::now();
  Text answer = upload::upload_file(path, "-1", cookie);
  double wall = seconds_since(start);
  util::JsonDoc doc;
  bool ok = doc.parse(answer) && doc.get_text("zt") == "1";
  std::printf("%s %ld %ld %.6f\n", ok ? "ok" : "failed", idle, status_kib("VmHWM:"), wall);
  return ok ? 0 : 1;
}

struct ChildFigures {
  bool ok = false;
  long idle_kib = 0, peak_kib = 0;
  double transfer_s = 0, wall_s = 0;
};

ChildFigures run_child(const std::string& self, const std::string& host, const std::string& path,
                       const std::string& cookie) {
  std::string out;
  ChildFigures f;
  f.wall_s = run_timed({self, "--child", host, path, cookie}, &out);
  char result[64] = {};
  f.ok = f.wall_s > 0 &&
         std::sscanf(out.c_str(), "%63s %ld %ld %lf", result, &f.idle_kib, &f.peak_kib, &f.transfer_s) == 4 &&
         std::strcmp(result, "ok") == 0;
  return f;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--child") == 0) return child(argv[2], argv[3], argv[4]);
  const uint64_t size = static_cast<uint64_t>(argc > 1 ? std::atoll(argv[1]) : 100) << 20;
  const std::string self = argv[0];
  char folder_template[] = "/tmp/quarrow-bench-XXXXXX";
  const std::string folder = ::mkdtemp(folder_template);
  const std::string path = folder + "/bench.zip";
  {
    std::ofstream out(path, std::ios::binary);
    for (uint64_t at = 0; at < size; at += 1 << 20)
      out << test::generated_bytes(test::Pattern::dense, at,
                                   static_cast<size_t>(std::min<uint64_t>(1 << 20, size - at)));
  }

  test::Emulator server;
  server.create_account("bench", "secret123");
  const std::string cookie = server.create_session("bench");
  const std::string url = server.disk_url() + "/fileup.php";

  // The same eight fields as upload_file's form; curl picks its own boundary.
  const std::string type = "application/x-zip-compressed";
  const std::string agent = std::string(net::kDiskHostHeader).substr(12);  // after "User-Agent: "
  const std::vector<std::string> curl = {
      "curl", "-s", "--noproxy", "*", "-H", "Cookie: " + cookie, "-A", agent,
      "-F", "task=1", "-F", "folder_id=-1", "-F", "id=WU_FILE_1", "-F", "name=bench.zip", "-F", "type=" + type,
      "-F", "lastModifiedDate=Sun Mar 01 2020 14:05:09 GMT+0800", "-F", "size=" + std::to_string(size),
      "-F", "upload_file=@" + path + ";type=" + type + ";filename=bench.zip", url};

  std::string answer;
  run_timed(curl, &answer);  // warms the page cache and checks the command
  if (!succeeded(answer)) {
    std::fprintf(stderr, "curl's upload was refused: %s\n", answer.c_str());
    return 1;
  }
  server.clear_request_log();

  // Alternating, so that neither tool always follows the other.
  constexpr int kRuns = 6;
  std::vector<double> curl_s, ours_s, ours_transfer_s;
  ChildFigures last;
  bool all_ok = true;
  auto time_curl = [&] {
    std::string out;
    double t = run_timed(curl, &out);
    all_ok = all_ok && t > 0 && succeeded(out);
    curl_s.push_back(t);
    server.clear_request_log();  // the log keeps bodies
  };
  auto time_ours = [&] {
    last = run_child(self, server.disk_url(), path, cookie);
    all_ok = all_ok && last.ok;
    ours_s.push_back(last.ok ? last.wall_s : 1e9);
    ours_transfer_s.push_back(last.transfer_s);
    server.clear_request_log();
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
  std::printf("upload of %.0f MiB to quarrow-server, %d runs each (process start to exit): median / best\n", mib,
              kRuns);
  std::printf("  curl -F:     %.3f s / %.3f s  %.0f / %.0f MiB/s\n", median(curl_s), best(curl_s),
              mib / median(curl_s), mib / best(curl_s));
  std::printf("  upload_file: %.3f s / %.3f s  %.0f / %.0f MiB/s  (the request alone, median %.3f s)\n",
              median(ours_s), best(ours_s), mib / median(ours_s), mib / best(ours_s), median(ours_transfer_s));
  std::printf("  ratio ours/curl (throughput): median %.3f, best %.3f  (target >= 0.9)\n",
              median(curl_s) / median(ours_s), best(curl_s) / best(ours_s));
  std::printf("  every upload answered zt 1: %s\n", all_ok ? "yes" : "NO");
  std::printf("\npeak memory of the uploading process above idle (target <= 32 MiB)\n");
  std::printf("  idle %ld KiB, peak %ld KiB, above idle %.1f MiB\n", last.idle_kib, last.peak_kib,
              (last.peak_kib - last.idle_kib) / 1024.0);

  ::unlink(path.c_str());
  ::rmdir(folder.c_str());
  return 0;
}
