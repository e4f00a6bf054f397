#include <gtest/gtest.h>

#include "util/codepage.h"
#include "util/file_types.h"
#include "util/size_text.h"

namespace quarrow::util {
namespace {

TEST(SizeText, Cases) {
  struct Case {
    int64_t bytes;
    Text expected;
  };
  const Case cases[] = {
      {0, "0 B"},
      {-5, "-5 B"},
      {1023, "1023 B"},
      {1024, "1 KB"},
      {1152, "1.13 KB"},
      {1536, "1.5 KB"},
      {1048575, "1024 KB"},
      {1500000, "1.43 MB"},
      {1073741824, "1 GB"},
      {5368709120, "5 GB"},
      {1099511627776, "1 TB"},
      {1125899906842624, "1024 TB"},
      {1125899906843000, "0B"},
      {INT64_MAX, "0B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(size_text(c.bytes), c.expected);
  }
}

TEST(FileExtension, Cases) {
  struct Case {
    Text name, expected;
  };
  const Case cases[] = {
      {"a.tar.gz", ".gz"}, {"my file.tar gz", ""}, {"dir.x/name", ""}, {"dir.x\\name", ""},
      {"a.", "."},         {"photo.JPG", ".JPG"},  {"noext", ""},      {"报告.pdf"_t, ".pdf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(file_extension(c.name), c.expected);
  }
}

TEST(FileTypeIcon, Cases) {
  struct Case {
    Text name;
    int icon;
  };
  const Case cases[] = {
      {"a.RAR", 1},    {"a.tar.gz", 1},  {"setup.exe", 2}, {"p.jpeg", 3},  {"clip.mpeg", 4}, {"song.mp3", 5},
      {"song.wav", 20}, {"n.txt", 6},    {"c.ini", 7},     {"d.docx", 8},  {"s.pptx", 9},    {"t.xlsx", 12},
      {"b.rar.ke", 1}, {"x.ke", 20},     {"A.KE", 20},     {"noext", 20},  {"m.ec", 22},     {"m.e", 23},
      {"x.z", 1},      {"x.ip", 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(file_type_icon(c.name), c.icon);
  }
}

}  // namespace
}  // namespace quarrow::util
