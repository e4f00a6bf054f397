#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "e2e_fixture.h"
#include "net/endpoints.h"
#include "upload/upload_request.h"
#include "upload_support.h"
#include "util/json_doc.h"

namespace quarrow::testing {
namespace {

using upload::upload_file;

constexpr char kOctet[] = "application/octet-stream";
constexpr char kMarch1[] = "Sun Mar 01 2020 14:05:09 GMT+0800 (中国标准时间)";
constexpr char kMarch9[] = "Mon Mar 09 2020 09:05:09 GMT+0800 (中国标准时间)";

class UploadRequestTest : public E2eTest {};

// The whole request as it reached the service, for the names of the naming and
// type rules, and the file as the service stored it.
TEST_F(UploadRequestTest, TheFormByteForByte) {
  std::string account;
  std::string cookie = new_user("up", &account);
  shell::set_cookie_text(cookie);
  const std::string folder = std::to_string(server().create_folder(account, "收件").id);
  // Bytes that look like the form's own lines pass untouched (the whole
  // delimiter line would end the part early at the service: the boundary is fixed).
  const std::string tricky = std::string("a\0b\r\n--\r\n------WebKitFormBoundary\r\n\r\n\xff", 38);
  const std::string large = test::generated_bytes(test::Pattern::dense, 0, 3 << 20);

  struct Case {
    std::string local_name, sent_name, field_type, part_type;
    LocalTime written;
    std::string date, folder_id, content;
  };
  const LocalTime march1{2020, 3, 1, 14, 5, 9}, march9{2020, 3, 9, 9, 5, 9};
  const Case cases[] = {
      {"report.pdf", "report.pdf", "application/pdf", "application/pdf", march1, kMarch1, "-1", "%PDF-1.4"},
      {"photo.JPG", "photo.JPG.ke", kOctet, kOctet, march9, kMarch9, folder, tricky},
      {"README", "README.*.ke", kOctet, kOctet, march1, kMarch1, "-1", "read me\n"},
      {"a.DOC", "a.DOC", "application/msword", "application/msword", march9, kMarch9, folder, "doc"},
      {"tool.e", "tool.e", "image/e", kOctet, march1, kMarch1, "-1", "e"},
      {"book.epub", "book.epub", "application/epub+zip", "application/epub+zip", march9, kMarch9, "-1", large},
      {"a.", "a..ke", kOctet, kOctet, march1, kMarch1, folder, "dot"},
      {"测试.txt", "测试.txt", "text/plain", "text/plain", march9, kMarch9, "-1", "中文内容"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.local_name);
    server().clear_request_log();
    const auto path = dir / c.local_name;
    write_file(path, c.content);
    set_file_times(path, {2021, 1, 1, 0, 0, 0}, c.written);

    const Text answer =
        upload_file(dir.text() + util::utf8_to_gbk_whole(c.local_name), util::utf8_to_gbk_whole(c.folder_id));

    auto uploads = upload_requests(server());
    ASSERT_EQ(uploads.size(), 1u);
    const test::LoggedRequest& r = uploads[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.body_size, r.body.size());
    EXPECT_TRUE(r.body == expected_form(c.folder_id, c.sent_name, c.field_type, c.part_type, c.date, c.content))
        << "sent " << r.body.size() << " bytes:\n" << r.body.substr(0, 1200);
    EXPECT_EQ(own_header_lines(r),
              (std::vector<std::string>{
                  "Content-Type: multipart/form-data; boundary=----WebKitFormBoundaryeGCDJwoQEiqYHenN",
                  net::kDiskHostHeader, "Accept: */*", "Referer: " + disk_url() + "/fileup.php",
                  "Accept-Language: zh-cn", "Cookie: " + cookie}));

    util::JsonDoc doc;
    ASSERT_TRUE(doc.parse(answer)) << answer;
    EXPECT_EQ(doc.get_text("info"), "上传成功"_t);
    auto stored = find_file(server(), account, c.sent_name);
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::to_string(stored->folder), c.folder_id);
    EXPECT_TRUE(read_file(stored->path) == c.content);
  }
  EXPECT_EQ(shell::cookie_text(), cookie) << "the answer's cookies go into a copy";
}

// The size in the form is the size when the file was opened, and exactly that
// many bytes follow it; a file that cannot be read goes out empty.
TEST_F(UploadRequestTest, SendsTheAnnouncedSizeOrNothing) {
  log_in_new_user("up");
  TempDir dir;
  // Files of /proc read longer than the size they report (0); those of /sys
  // read shorter (the size is a page).
  const std::string proc_file = "/proc/self/status", sys_file = "/sys/devices/system/cpu/online";
  struct stat st {};
  const bool have_sys = ::stat(sys_file.c_str(), &st) == 0 && read_file(sys_file).size() < size_t(st.st_size);

  struct Case {
    std::string path;
    bool sent;  // a complete request reached the service
    std::string size_field;
  };
  std::vector<Case> cases = {
      {proc_file, true, "0"},
      {(dir / "missing.txt").string(), true, "0"},
  };
  if (have_sys) cases.push_back({sys_file, false, ""});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    server().clear_request_log();
    const size_t files_before = server().files().size();
    const Text answer = upload_file(util::from_local_path(c.path), "-1");
    auto uploads = upload_requests(server());
    if (!c.sent) {
      EXPECT_EQ(answer, "");
      for (const auto& r : uploads) EXPECT_LT(r.body.size(), 1000u) << "cut short, never completed";
      EXPECT_EQ(server().files().size(), files_before);
      continue;
    }
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(form_field(uploads[0].body, "size"), c.size_field);
    const std::string end = "\r\n\r\n\r\n------WebKitFormBoundaryeGCDJwoQEiqYHenN--";
    EXPECT_EQ(uploads[0].body.substr(uploads[0].body.size() - end.size()), end) << "an empty file part";
  }
  if (!have_sys) GTEST_SKIP() << "no file here reads shorter than its size";
}

TEST_F(UploadRequestTest, TheLargestFileTheQueueTakesGoesThrough) {
  std::string account;
  shell::set_cookie_text(new_user("up", &account));
  TempDir dir;
  write_file(dir / "limit.iso", "");
  std::filesystem::resize_file(dir / "limit.iso", 104857600);
  util::JsonDoc doc;
  ASSERT_TRUE(doc.parse(upload_file(dir.text() + "limit.iso", "-1")));
  EXPECT_EQ(doc.get_text("zt"), "1") << doc.get_text("info");
  auto uploads = upload_requests(server());
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(form_field(uploads[0].body, "size"), "104857600");
  EXPECT_EQ(find_file(server(), account, "limit.iso")->size, 104857600u);
}

TEST_F(UploadRequestTest, ACancelEndsTheTransfer) {
  log_in_new_user("up");
  TempDir dir;
  write_file(dir / "slow.txt", "x");
  server().add_fault({"latency", "5000", "disk", "/fileup.php", 1});
  std::atomic<bool> cancel{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancel = true;
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(upload_file(dir.text() + "slow.txt", "-1", "", &cancel), "");
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(UploadRules, NamesAndTypes) {
  struct Case {
    const char* name;
    const char* sent;
    const char* field;
    const char* part;
  };
  const Case cases[] = {
      {"A.KE", "A.KE", kOctet, kOctet},
      {"archive.tar.gz", "archive.tar.gz.ke", "", ""},  // the table gives nothing for an unlisted extension
      {"setup.Exe", "setup.Exe", "application/x-msdownload", "application/x-msdownload"},
      {"my file.tar gz", "my file.tar gz.*.ke", kOctet, kOctet},  // a space after the dot: no extension
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(upload::upload_name(c.name), c.sent);
    EXPECT_EQ(upload::field_mime_type(c.name), c.field);
    EXPECT_EQ(upload::part_mime_type(c.name), c.part);
  }
}

TEST(UploadRules, DateTexts) {
  struct Case {
    upload::DateTime time;
    const char* text;
  };
  const Case cases[] = {
      {{1970, 1, 1, 0, 0, 0}, "Thu Jan 01 1970 00:00:00 GMT+0800 (中国标准时间)"},
      {{1999, 12, 31, 23, 59, 59}, "Fri Dec 31 1999 23:59:59 GMT+0800 (中国标准时间)"},
      {{2000, 2, 29, 10, 9, 10}, "Tue Feb 29 2000 10:09:10 GMT+0800 (中国标准时间)"},
      {{1900, 3, 1, 7, 0, 0}, "Thu Mar 01 1900 07:00:00 GMT+0800 (中国标准时间)"},
      {{2024, 6, 15, 12, 30, 0}, "Sat Jun 15 2024 12:30:00 GMT+0800 (中国标准时间)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(upload::js_date_text(c.time), util::utf8_to_gbk_whole(c.text));
  }
}

TEST(UploadRules, FileTimes) {
  TempDir dir;
  write_file(dir / "f.txt", "x");
  set_file_times(dir / "f.txt", {2020, 3, 2, 0, 0, 0}, {2020, 3, 1, 14, 5, 9});
  upload::FileTimes times;
  ASSERT_TRUE(upload::file_times(dir.text() + "f.txt", times));
  EXPECT_EQ(times.written, "2020-03-01 14:05:09");
  EXPECT_EQ(times.accessed, "2020-03-02 ") << "midnight drops the time";
  EXPECT_EQ(times.created.size(), 19u);

  upload::FileTimes untouched{"c", "a", "w"};
  EXPECT_FALSE(upload::file_times(dir.text() + "missing", untouched));
  EXPECT_EQ(untouched.written, "w");
}

}  // namespace
}  // namespace quarrow::testing
