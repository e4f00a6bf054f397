// quarrow-server: the disk host and the share host of the Quarrow service in
// one process, for development and tests. See README.md.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "app.h"
#include "form.h"

namespace {

void usage() {
  std::cerr << "usage: quarrow-server [--data DIR] [--disk-port N] [--share-port N] [--admin-port N]\n"
               "                      [--page-size N] [--seed-demo] [--test] [--watch-stdin]\n";
}

bool parse_port(const char* text, uint16_t& port) {
  int64_t v = 0;
  if (!qs::parse_int(text, v) || v < 0 || v > 65535) return false;
  port = static_cast<uint16_t>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string data_dir;
  uint16_t disk_port = 0, share_port = 0, admin_port = 0;
  int64_t page_size = 20;
  bool seed = false, test = false, watch_stdin = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (arg == "--data" && (v = value())) data_dir = v;
    else if (arg == "--disk-port" && (v = value()) && parse_port(v, disk_port)) {}
    else if (arg == "--share-port" && (v = value()) && parse_port(v, share_port)) {}
    else if (arg == "--admin-port" && (v = value()) && parse_port(v, admin_port)) {}
    else if (arg == "--page-size" && (v = value()) && qs::parse_int(v, page_size) && page_size >= 1) {}
    else if (arg == "--seed-demo") seed = true;
    else if (arg == "--test") test = true;
    else if (arg == "--watch-stdin") watch_stdin = true;
    else {
      usage();
      return 2;
    }
  }

  // Signals are taken by sigwait() below; every thread started later inherits the mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  bool temporary = data_dir.empty();
  if (temporary) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quarrow-server-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
      std::cerr << "quarrow-server: cannot create a temporary folder: " << std::strerror(errno) << "\n";
      return 1;
    }
    data_dir = tmpl;
  }

  int status = 0;
  {
    qs::App app;
    app.test_mode = test;
    app.page_size = static_cast<size_t>(page_size);
    std::string error;
    if (!app.store.open(data_dir, &error)) {
      std::cerr << "quarrow-server: " << error << "\n";
      status = 1;
    } else {
      qs::HttpServer disk([&app](const qs::HttpRequest& r) { return app.serve(qs::Host::disk, r); });
      qs::HttpServer share([&app](const qs::HttpRequest& r) { return app.serve(qs::Host::share, r); });
      qs::HttpServer admin([&app](const qs::HttpRequest& r) { return qs::handle_admin(app, r); });
      if (!disk.listen("127.0.0.1", disk_port, &error) || !share.listen("127.0.0.1", share_port, &error) ||
          (test && !admin.listen("127.0.0.1", admin_port, &error))) {
        std::cerr << "quarrow-server: cannot listen: " << error << "\n";
        status = 1;
      } else {
        app.disk_base = "http://127.0.0.1:" + std::to_string(disk.port());
        app.share_base = "http://127.0.0.1:" + std::to_string(share.port());
        app.disk_server = &disk;
        app.share_server = &share;
        app.ensure_release_folder();
        if (seed) app.seed_demo();
        disk.start();
        share.start();
        if (test) admin.start();
        std::string line = "DISK_HOST=" + app.disk_base + " SHARE_HOST=" + app.share_base;
        if (test) line += " ADMIN=http://127.0.0.1:" + std::to_string(admin.port());
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);

        if (watch_stdin) {
          // End of input means whoever started the server is gone.
          std::thread([] {
            char buf[256];
            while (::read(STDIN_FILENO, buf, sizeof buf) > 0) {
            }
            ::kill(::getpid(), SIGTERM);
          }).detach();
        }
        int sig = 0;
        sigwait(&stop_signals, &sig);
        admin.stop();
        disk.stop();
        share.stop();
      }
    }
  }
  if (temporary) {
    std::error_code ec;
    std::filesystem::remove_all(data_dir, ec);
  }
  return status;
}
