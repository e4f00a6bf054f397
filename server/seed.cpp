// Built-in content: the release folder and the demo account.
#include <string>

#include "app.h"
#include "content.h"

namespace qs {

namespace {

void add_generated(App& app, const std::string& owner, int64_t folder, const std::string& name, uint64_t size,
                   bool onof = false, const std::string& pwd = {}, const std::string& des = {}) {
  StoredFile f;
  f.owner = owner;
  f.folder = folder;
  f.name = name;
  f.size = size;
  f.onof = onof;
  f.pwd = pwd;
  f.des = des;
  app.add_file(f, [&](const std::string& path) { return write_generated(path, size, Pattern::dense, nullptr); });
}

void add_text(App& app, const std::string& owner, int64_t folder, const std::string& name, const std::string& text) {
  StoredFile f;
  f.owner = owner;
  f.folder = folder;
  f.name = name;
  f.size = text.size();
  app.add_file(f, [&](const std::string& path) { return write_bytes(path, text, nullptr); });
}

}  // namespace

void App::ensure_release_folder() {
  if (store.folder_by_key(kReleaseKey)) return;
  const std::string owner = "quarrow";
  if (!store.account(owner)) store.create_account(owner, mac("release-account"));
  auto folder = store.create_folder(owner, kRootFolder, "Quarrow盘 发布", "Quarrow盘 的最新版本", kReleaseKey);
  if (folder) add_generated(*this, owner, folder->id, "Quarrow盘 v2.3.zip", 64 * 1024);
}

void App::seed_demo() {
  const std::string owner = "demo";
  if (store.account(owner)) return;
  store.create_account(owner, "demo123");
  add_text(*this, owner, kRootFolder, "说明.txt", "这是 Quarrow盘 的演示账号。\r\n密码：demo123\r\n");
  add_generated(*this, owner, kRootFolder, "报告.pdf", 200 * 1024, false, {}, "年度报告");
  add_generated(*this, owner, kRootFolder, "😀表情包.zip", 3000);
  add_generated(*this, owner, kRootFolder, "加密文件.zip", 50 * 1024, true, "abcd");
  if (auto docs = store.create_folder(owner, kRootFolder, "我的文档", "工作资料")) {
    add_generated(*this, owner, docs->id, "会议记录.docx", 5000);
    add_generated(*this, owner, docs->id, "数据表.xlsx", 12000);
    if (auto sub = store.create_folder(owner, docs->id, "旧文件", "")) add_text(*this, owner, sub->id, "备忘.txt", "备忘\n");
  }
  store.create_folder(owner, kRootFolder, "照片 2024", "");
  if (auto shared = store.create_folder(owner, kRootFolder, "分享文件夹", "公开分享")) {
    add_text(*this, owner, shared->id, "资料1.txt", "第一份资料\n");
    add_generated(*this, owner, shared->id, "资料2.zip", 100 * 1024);
    add_generated(*this, owner, shared->id, "安装包.exe", 30 * 1024);
  }
  if (auto locked = store.create_folder(owner, kRootFolder, "加密分享", "需要密码")) {
    Folder f = *locked;
    f.onof = true;
    f.pwd = "8888";
    store.update_folder(f);
    add_text(*this, owner, locked->id, "秘密.txt", "秘密\n");
  }
}

}  // namespace qs
