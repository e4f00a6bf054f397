// The upload queue: its rows, the size rule that admits a file, and the worker
// routine that sends every waiting row, one after another.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "util/json_doc.h"
#include "util/text.h"

namespace quarrow::upload {

// 100 MiB, the "100MB" of the upload window's label.
inline constexpr int64_t kMaxUploadSize = 104857600;
// At least one byte and at most kMaxUploadSize; a missing path reads -1, a folder 0.
inline bool upload_size_accepted(int64_t size) { return size >= 1 && size <= kMaxUploadSize; }

// One row of the upload list: 0 number, 1 file name, 2 size text, 3 state,
// 4 local folder ending with "/", 5 destination folder id.
enum UploadColumn { kNumberColumn, kNameColumn, kSizeColumn, kStateColumn, kFolderColumn, kFolderIdColumn };
using UploadTask = std::array<Text, 6>;

// The state texts the runner looks for and writes.
extern const Text kWaitingState;    // "等待上传"
extern const Text kSendingState;    // "正在上传"
extern const Text kUnknownState;    // "上传异常，未知状态"
Text size_refused_state(int64_t size);  // "文件尺寸超出范围(" + size + ")"

// A row for the path, numbered `number`, waiting to go to the folder.
UploadTask new_upload_task(int number, const Text& path, int64_t size, const Text& folder_id);
// The rows for the acceptable files among CR LF-separated paths (a trailing CR LF
// adds nothing), numbered on from `rows_before`; the others are left out silently.
std::vector<UploadTask> upload_tasks_for(const Text& paths, const Text& folder_id, int rows_before);

// The queue as the runner sees it. Rows are only ever appended, never removed.
class UploadRows {
 public:
  virtual ~UploadRows() = default;
  virtual int count() = 0;
  virtual UploadTask row(int index) = 0;
  virtual void set_state(int index, const Text& state) = 0;
  // The row has its end state: `answer` is the service's parsed answer, or null
  // when the file was refused or no answer could be read.
  virtual void row_done(int index, const util::JsonDoc* answer) {
    (void)index;
    (void)answer;
  }
};

// Rows in memory, safe to append to from one thread while the runner works on
// another.
class MemoryUploadRows : public UploadRows {
 public:
  int count() override;
  UploadTask row(int index) override;
  void set_state(int index, const Text& state) override;
  void append(const UploadTask& task);

 private:
  std::mutex mutex_;
  std::vector<UploadTask> rows_;
};

// Sends one file; upload_file unless a test or tool replaces it.
using UploadSender = std::function<Text(const Text& path, const Text& folder_id, const std::atomic<bool>* cancel)>;

// The worker routine: passes over the rows, each sending every row that reads
// "等待上传" at the time, until a pass finds none, so rows appended during a
// run go out in it. Each file's size is tested again before it is sent. Returns
// false when the flag stopped the run; the row being sent then keeps
// "正在上传" and nothing more is written.
bool upload_runner(UploadRows& rows, const std::atomic<bool>* cancel, const UploadSender& send = {});

}  // namespace quarrow::upload
