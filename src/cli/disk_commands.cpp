#include <iostream>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "disk/disk_ops.h"
#include "disk/listing.h"
#include "ui/share_texts.h"
#include "util/codepage.h"
#include "util/text_search.h"

namespace quarrow::cli {
namespace {

void need_args(const Context& ctx, size_t low, size_t high, const char* usage) {
  if (ctx.args.size() < low || ctx.args.size() > high) fail(kUsage, std::string("usage: quarrow-cli ") + usage);
}

void print_entries(const util::JsonDoc& doc, const char* list, const char* name_key, bool folders, bool& first) {
  int n = doc.count(list);
  for (int i = 0; i < n; ++i) {
    Text item = Text(list) + "[" + std::to_string(i) + "].";
    Text name = doc.get_text(item + name_key);
    Text size = folders ? Text() : doc.get_text(item + "size");
    Text time = folders ? Text() : doc.get_text(item + "time");
    Text id = doc.get_text(item + "id") + (folders ? "/" : "");
    std::cout << (first ? "" : ",");
    first = false;
    std::cout << "\n  {\"id\":" << json_quote(utf8(id)) << ",\"name\":" << json_quote(utf8(name))
              << ",\"folder\":" << (folders ? "true" : "false") << ",\"size\":" << json_quote(utf8(size))
              << ",\"time\":" << json_quote(utf8(time)) << "}";
  }
}

void print_rows(const util::JsonDoc& doc, const char* list, const char* name_key, bool folders) {
  int n = doc.count(list);
  for (int i = 0; i < n; ++i) {
    Text item = Text(list) + "[" + std::to_string(i) + "].";
    Text id = doc.get_text(item + "id") + (folders ? "/" : "");
    Text size = folders ? Text() : doc.get_text(item + "size");
    Text time = folders ? Text() : doc.get_text(item + "time");
    print_line(id + "\t" + doc.get_text(item + name_key) + "\t" + size + "\t" + time);
  }
}

// The share text of a file or folder, as the share dialog shows it.
Text share_text(const DiskId& target) {
  Text answer = target.folder ? disk::get_folder_info(target.id) : disk::get_file_share_info(target.id);
  util::JsonDoc doc = parse_answer(answer);
  ui::ShareInfo info = ui::read_share_info(doc, true, target.folder, 1);
  if (info.failure) fail(kFailed, *info.failure);
  Text text = target.folder ? ui::folder_share_text(info.url, info.on, info.password)
                            : ui::file_share_text(info.url, info.on, info.password);
  return util::replace_all(text, "\r\n", "\n");
}

}  // namespace

int cmd_ls(Context& ctx) {
  need_args(ctx, 0, 1, "ls [FOLDER_ID]");
  require_login();
  Text folder = ctx.args.empty() ? Text("-1") : parse_disk_id(ctx.args[0], true).id;
  disk::FolderListing listing = disk::list_folder(folder);
  if (listing.state == disk::PageState::kUnreachable) fail(kUnreachable, "无法连接服务器，请检查网络后重试。"_t);
  if (listing.state == disk::PageState::kLoggedOut)
    fail(kNotLoggedIn, "the log-in has expired: run  quarrow-cli login ACCOUNT");
  util::JsonDoc folders, files;
  folders.parse(listing.folders);
  files.parse(listing.files);
  if (ctx.json) {
    bool first = true;
    std::cout << "[";
    print_entries(folders, "FolderList", "name", true, first);
    print_entries(files, "FileList", "name_all", false, first);
    std::cout << (first ? "]\n" : "\n]\n");
  } else {
    print_rows(folders, "FolderList", "name", true);
    print_rows(files, "FileList", "name_all", false);
  }
  return kOk;
}

int cmd_mkdir(Context& ctx) {
  need_args(ctx, 2, 3, "mkdir PARENT_ID NAME [DESCRIPTION]");
  Text parent = parse_disk_id(ctx.args[0], true).id;
  require_login();
  util::JsonDoc answer = expect_zt_one(
      disk::create_folder(parent, text_of(ctx.args[1]), ctx.args.size() > 2 ? text_of(ctx.args[2]) : Text()));
  if (ctx.json) std::cout << "{\"info\":" << json_quote(utf8(answer.get_text("info"))) << "}\n";
  else print_line(answer.get_text("info"));
  return kOk;
}

int cmd_rm(Context& ctx) {
  if (ctx.args.empty()) fail(kUsage, "usage: quarrow-cli rm ID... (files 123, folders 123/)");
  std::vector<DiskId> targets;
  for (const auto& arg : ctx.args) targets.push_back(parse_disk_id(arg));
  require_login();
  int status = kOk;
  for (size_t i = 0; i < targets.size(); ++i) {
    const DiskId& t = targets[i];
    try {
      util::JsonDoc answer =
          expect_zt_one(t.folder ? disk::delete_folder(t.id) : disk::delete_file(t.id));
      if (!ctx.json) print_line(Text(text_of(ctx.args[i])) + "\t" + answer.get_text("info"));
    } catch (const CommandError& e) {
      std::cerr << ctx.args[i] << ": " << e.message << '\n';
      status = e.status == kUnreachable ? kUnreachable : kFailed;
    }
  }
  if (ctx.json) std::cout << "{\"ok\":" << (status == kOk ? "true" : "false") << "}\n";
  return status;
}

int cmd_describe(Context& ctx) {
  need_args(ctx, 2, 2, "describe ID DESCRIPTION");
  DiskId target = parse_disk_id(ctx.args[0]);
  Text description = text_of(ctx.args[1]);
  require_login();
  // A folder keeps its name: edit_folder looks up what it is not given.
  Text answer = target.folder ? disk::edit_folder(target.id, std::nullopt, description)
                              : disk::set_file_description(target.id, description);
  util::JsonDoc doc = expect_zt_not_zero(answer);
  if (ctx.json) std::cout << "{\"info\":" << json_quote(utf8(doc.get_text("info"))) << "}\n";
  else print_line(doc.get_text("info"));
  return kOk;
}

int cmd_rename(Context& ctx) {
  need_args(ctx, 2, 2, "rename FOLDER_ID/ NAME");
  DiskId target = parse_disk_id(ctx.args[0], true);  // files cannot be renamed on the disk
  require_login();
  util::JsonDoc doc = expect_zt_not_zero(disk::edit_folder(target.id, text_of(ctx.args[1]), std::nullopt));
  if (ctx.json) std::cout << "{\"info\":" << json_quote(utf8(doc.get_text("info"))) << "}\n";
  else print_line(doc.get_text("info"));
  return kOk;
}

int cmd_share(Context& ctx) {
  need_args(ctx, 1, 1, "share ID");
  DiskId target = parse_disk_id(ctx.args[0]);
  require_login();
  Text text = share_text(target);
  if (ctx.json) std::cout << "{\"share\":" << json_quote(utf8(text)) << "}\n";
  else print_line(text);
  return kOk;
}

int cmd_passwd(Context& ctx) {
  need_args(ctx, 2, 3, "passwd ID on|off [PASSWORD]");
  DiskId target = parse_disk_id(ctx.args[0]);
  const std::string& state = ctx.args[1];
  if (state != "on" && state != "off") fail(kUsage, "usage: quarrow-cli passwd ID on|off [PASSWORD]");
  Text on_off = state == "on" ? "1" : "0";
  require_login();
  std::optional<Text> password;
  if (ctx.args.size() > 2) password = text_of(ctx.args[2]);
  Text answer;
  if (target.folder) {
    answer = disk::set_folder_password(target.id, on_off, password);
  } else {
    if (!password) password = expect_zt_one(disk::get_file_share_info(target.id)).get_text("info.pwd");
    answer = disk::set_file_password(target.id, on_off, *password);
  }
  util::JsonDoc doc = expect_zt_one(answer);
  if (ctx.json) std::cout << "{\"info\":" << json_quote(utf8(doc.get_text("info"))) << "}\n";
  else print_line(doc.get_text("info"));
  return kOk;
}

}  // namespace quarrow::cli
