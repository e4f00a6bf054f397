// The rows of the download list and of the completed list, the lookup on them,
// and the texts of the two tab captions.
#pragma once

#include "download/runner_host.h"
#include "util/text.h"

namespace quarrow::download {

// Columns of both lists.
enum Column : int {
  kNumberColumn = 0,    // 序号: index + 1 when added
  kNameColumn = 1,      // 文件名
  kSizeColumn = 2,      // 文件大小
  kProgressColumn = 3,  // 下载进度
  kLinkColumn = 4,      // 文件外链: share link, "" for a bare direct URL
  kPasswordColumn = 5,  // 文件密码
  kFolderColumn = 6,    // 保存位置, ending with "/"
  kDirectColumn = 7,    // 文件直链, used only when the link is ""
};

using DownloadTask = TaskRow;
using CompletedTask = TaskRow;

enum class TaskList { download, completed };

// A new download-list row for the list's end: number index + 1, progress "等待下载".
DownloadTask new_download_task(int index, const Text& name, const Text& size, const Text& link,
                               const Text& password, const Text& folder, const Text& direct = {});

// The first row whose text in `column` contains `text`, ASCII letters compared
// without case; -1 when none.
int find_row(TaskRows& rows, TaskList list, int column, const Text& text);

// "下载列表" and "下载完成" followed by the row counts, for the second and third tab.
struct TabCaptions {
  Text download;
  Text completed;
};
TabCaptions tab_caption_texts(int download_rows, int completed_rows);

}  // namespace quarrow::download
