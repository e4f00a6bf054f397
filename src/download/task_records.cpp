#include "download/task_records.h"

#include <string>

#include "util/text_search.h"

namespace quarrow::download {

DownloadTask new_download_task(int index, const Text& name, const Text& size, const Text& link,
                               const Text& password, const Text& folder, const Text& direct) {
  return {std::to_string(index + 1), name, size, "等待下载"_t, link, password, folder, direct};
}

int find_row(TaskRows& rows, TaskList list, int column, const Text& text) {
  if (column < 0 || column >= static_cast<int>(TaskRow().size())) return -1;
  const bool downloads = list == TaskList::download;
  const int count = downloads ? rows.download_count() : rows.completed_count();
  for (int i = 0; i < count; ++i) {
    TaskRow row = downloads ? rows.download_row(i) : rows.completed_row(i);
    if (util::contains(row[column], text, true)) return i;
  }
  return -1;
}

TabCaptions tab_caption_texts(int download_rows, int completed_rows) {
  return {"下载列表"_t + std::to_string(download_rows), "下载完成"_t + std::to_string(completed_rows)};
}

}  // namespace quarrow::download
