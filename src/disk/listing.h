// Listing a disk folder: its sub-folders cut from the folder page, its files
// paged through the task endpoint. Both come back as JSON texts of our own:
//   folders: {"user":…,"FolderNum":"n","FolderList":[{"id","name","des","pwd","onof","url"},…]}
//   files:   {"FileNum":"n","FileList":[{"id","name_all","size","time","des"},…]}
#pragma once

#include "util/text.h"

namespace quarrow::disk {

enum class PageState {
  kLoggedIn,     // the page of a logged-in user
  kLoggedOut,    // an answer came, but it is the page a logged-out visitor gets
  kUnreachable,  // no answer at all
};

// An empty id is the root ("-1"); a null or empty cookie is a copy of the log-in
// cookie. The folder information requests run concurrently (at most 8 at once);
// the result is the same as one after the other.
Text list_folders(const Text& folder_id, Text* cookie = nullptr, PageState* state = nullptr);
Text list_files(const Text& folder_id, Text* cookie = nullptr);

struct FolderListing {
  Text folders;
  Text files;
  PageState state;
};
// Both listings of a folder, fetched at the same time.
FolderListing list_folder(const Text& folder_id);

// The texts a one-at-a-time listing gives (for comparison and benchmarks).
FolderListing list_folder_sequentially(const Text& folder_id);

}  // namespace quarrow::disk
