#include "download/ke_suffix.h"

#include <gtest/gtest.h>

#include "util/codepage.h"

namespace quarrow::download {
namespace {

TEST(StripKeSuffix, Table) {
  struct Case {
    Text name, saved;
  };
  const Case cases[] = {
      {"x.txt.ke", "x.txt"}, {"x.*.ke", "x"},       {"x.ke", "x.ke"},     {"x.KE", "x.KE"},
      {"x.txt", "x.txt"},    {"报告.pdf.ke"_t, "报告.pdf"_t}, {".ke", ".ke"}, {"a b.tar gz.ke", "a b.tar gz.ke"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(strip_ke_suffix(c.name), c.saved);
  }
}

}  // namespace
}  // namespace quarrow::download
