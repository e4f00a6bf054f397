#include "upload/upload_queue.h"

#include "net/http_client.h"
#include "upload/upload_request.h"
#include "util/file_ops.h"
#include "util/size_text.h"
#include "util/text_search.h"

namespace quarrow::upload {

const Text kWaitingState = "等待上传"_t;
const Text kSendingState = "正在上传"_t;
const Text kUnknownState = "上传异常，未知状态"_t;

Text size_refused_state(int64_t size) { return "文件尺寸超出范围("_t + std::to_string(size) + ")"; }

UploadTask new_upload_task(int number, const Text& path, int64_t size, const Text& folder_id) {
  return {std::to_string(number), util::file_name_of_path(path), util::size_text(size), kWaitingState,
          util::folder_of_path(path), folder_id};
}

std::vector<UploadTask> upload_tasks_for(const Text& paths, const Text& folder_id, int rows_before) {
  std::vector<UploadTask> tasks;
  for (const Text& path : util::split_text(paths, "\r\n")) {
    int64_t size = util::file_size(path);
    if (!upload_size_accepted(size)) continue;
    tasks.push_back(new_upload_task(rows_before + static_cast<int>(tasks.size()) + 1, path, size, folder_id));
  }
  return tasks;
}

int MemoryUploadRows::count() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

UploadTask MemoryUploadRows::row(int index) {
  std::lock_guard lock(mutex_);
  return index >= 0 && index < static_cast<int>(rows_.size()) ? rows_[index] : UploadTask{};
}

void MemoryUploadRows::set_state(int index, const Text& state) {
  std::lock_guard lock(mutex_);
  if (index >= 0 && index < static_cast<int>(rows_.size())) rows_[index][kStateColumn] = state;
}

void MemoryUploadRows::append(const UploadTask& task) {
  std::lock_guard lock(mutex_);
  rows_.push_back(task);
}

bool upload_runner(UploadRows& rows, const std::atomic<bool>* cancel, const UploadSender& send) {
  net::CancelScope scope(cancel);
  auto stopped = [cancel] { return cancel && cancel->load(); };
  util::JsonDoc doc;
  bool busy = true;
  while (busy) {
    busy = false;
    const int n = rows.count();  // rows appended from here on wait for the next pass
    for (int i = 0; i < n; ++i) {
      if (stopped()) return false;
      UploadTask task = rows.row(i);
      if (task[kStateColumn] != kWaitingState) continue;
      busy = true;
      rows.set_state(i, kSendingState);
      const Text path = task[kFolderColumn] + task[kNameColumn];
      const int64_t size = util::file_size(path);
      if (!upload_size_accepted(size)) {
        rows.set_state(i, size_refused_state(size));
        rows.row_done(i, nullptr);
        continue;
      }
      Text answer = send ? send(path, task[kFolderIdColumn], cancel)
                         : upload_file(path, task[kFolderIdColumn], {}, cancel);
      if (stopped()) return false;
      if (doc.parse(answer)) {
        rows.set_state(i, doc.get_text("info"));
        rows.row_done(i, &doc);
      } else {
        rows.set_state(i, kUnknownState);
        rows.row_done(i, nullptr);
      }
    }
  }
  return true;
}

}  // namespace quarrow::upload
