// State kept in a data folder survives a restart; the demo seed is usable.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "server_fixture.h"
#include "test_helpers.h"

namespace quarrow::test {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Persistence, StateSurvivesARestartWithTheSameDataFolder) {
  std::string dir = (std::filesystem::temp_directory_path() / "quarrow-persist-XXXXXX").string();
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  std::string cookie, key;
  int64_t folder = 0;
  const std::string bytes = generated_bytes(Pattern::dense, 0, 4096);
  {
    Emulator first({dir});
    ASSERT_TRUE(first.running());
    first.create_account("keeper", "keeper-pw");
    folder = first.create_folder("keeper", "保留", -1, "说明").id;
    key = first.create_file("keeper", "k.zip", bytes, folder).key;
    first.set_folder_password(folder, true, "kk");
    cookie = first.create_session("keeper");
    EXPECT_EQ(first.stop(), 0);
  }
  Emulator second({dir});
  ASSERT_TRUE(second.running());
  HttpCall call;
  call.cookie = cookie;
  EXPECT_TRUE(contains(http(second.disk_url() + "/mydisk.php", call).body, "退出"));
  EXPECT_TRUE(contains(http(second.disk_url() + "/mydisk.php?item=files&action=index&folder_node=0&folder_id=-1", call).body,
                       "&nbsp;保留<"));
  auto listing = JsonValue::parse(
      http_post(second.disk_url() + "/doupload.php", "task=5&folder_id=" + std::to_string(folder) + "&pg=1", cookie).body);
  ASSERT_TRUE(listing);
  EXPECT_EQ((*listing)["text"][0]["name_all"].str(), "k.zip");
  auto info = second.folder(folder);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->pwd, "kk");
  EXPECT_TRUE(info->onof);
  Resolved r = resolve_share_link(second.share_url(), second.share_url() + "/" + key, "");
  EXPECT_EQ(http(r.direct).body, bytes);
  EXPECT_TRUE(contains(http_post(second.disk_url() + "/account.php", login_body("keeper", "keeper-pw")).body,
                       "登录成功，欢迎您回来。"));
  EXPECT_EQ(second.stop(), 0);
  std::filesystem::remove_all(dir);
}

TEST(Persistence, DemoSeedHasAnAccountWithSharesToTry) {
  Emulator::Options options;
  options.seed_demo = true;
  Emulator demo(options);
  ASSERT_TRUE(demo.running());
  HttpReply login = http_post(demo.disk_url() + "/account.php", login_body("demo", "demo123"));
  ASSERT_TRUE(contains(login.body, "登录成功，欢迎您回来。"));
  const std::string root =
      http_post(demo.disk_url() + "/doupload.php", "task=5&folder_id=-1&pg=1", login.cookies()).body;
  EXPECT_TRUE(contains(root, "\\ud83d\\ude00"));  // a name with an emoji
  const auto files = demo.files();
  auto has_files = [&](int64_t folder) {
    return std::any_of(files.begin(), files.end(), [&](const FileInfo& f) { return f.folder == folder; });
  };
  bool locked_file = false, locked_folder = false, open_folder = false;
  for (const auto& f : files) locked_file |= f.owner == "demo" && f.onof;
  for (const auto& f : demo.folders()) {
    if (f.owner != "demo" || !has_files(f.id)) continue;
    (f.onof ? locked_folder : open_folder) = true;
  }
  EXPECT_TRUE(locked_file);
  EXPECT_TRUE(locked_folder);
  EXPECT_TRUE(open_folder);
  EXPECT_EQ(demo.stop(), 0);
}

}  // namespace
}  // namespace quarrow::test
