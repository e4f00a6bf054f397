// Moves the bytes of one file: a direct URL into a local file, from the start
// or from a byte offset, streaming each chunk to the file as it arrives.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "util/text.h"

namespace quarrow::download {

// Results besides "ok". The first four are the classic ones; the rest name
// answers the service should not have given.
namespace failure {
Text no_connection();       // "Internet连接错误!"
Text cannot_open_url();     // "不能打开该URL!": no answer at all
Text cannot_open_file();    // "不能打开本地的文件!"
Text read_error();          // "读文件出错!": the answer ended early or the connection broke
Text write_error();         // "写入本地文件出错!"
Text server_error(long status);  // "服务器返回错误(404)"
Text range_mismatch();      // "服务器返回的数据位置不对"
}  // namespace failure

// Called after every chunk written: total (-1 … 0 when unknown), bytes now in
// the file, milliseconds since the answer began (10 instead of 0), bytes
// written by this call.
using ProgressRoutine = std::function<void(int64_t total, int64_t position, int64_t elapsed, int64_t new_bytes)>;

struct TransferOptions {
  // The whole file's size as the partial-file record knows it; -1 unknown. A
  // 416 answer to a resume at exactly this size means the file is complete.
  int64_t expected_size = -1;
  // Called once the answer has been accepted, before the local file is opened
  // or anything written, with the whole file's size (-1 unknown). Returning
  // false gives "不能打开本地的文件!" and leaves the file untouched.
  std::function<bool(int64_t total)> on_accepted;
  // Read after every chunk; clear means stop. Null: download_state().busy.
  const std::atomic<int>* busy = nullptr;
  // Ends the request at once, also while it waits for the network.
  const std::atomic<bool>* cancel = nullptr;
  size_t receive_buffer = 256 * 1024;
};

// Fetches url into local_path. resume: asks for the bytes from `offset` on and
// writes them at that offset of the existing file; otherwise the file is
// created or emptied. Nothing reaches the file before the answer's status is
// judged: an error answer is a failure, 200 to a range request starts the file
// again from byte 0, and a 206 must start at the offset. Returns "ok" when the
// data ended or the busy flag was found clear (the chunk read last is then
// dropped), otherwise a failure text; the file keeps every byte written.
Text ranged_download(const Text& url, const Text& local_path, const ProgressRoutine& progress, int64_t offset,
                     bool resume, const TransferOptions& options = {});

}  // namespace quarrow::download
