#include "util/size_text.h"

#include <cmath>
#include <cstdio>

namespace quarrow::util {

Text format_g13(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.13g", value);
  return buffer;
}

Text size_text(int64_t v) {
  if (v < 1024) return std::to_string(v) + " B";
  struct Unit {
    double limit;
    double divisor;
    const char* name;
  };
  // The two upper limits are compared in floating point with a small tolerance;
  // the last is the decimal constant 1125899906843000, not 2^50.
  static const Unit units[] = {
      {1048576.0, 1024.0, " KB"},
      {1073741824.0, 1048576.0, " MB"},
      {1099511627776.0, 1073741824.0, " GB"},
      {1125899906843000.0, 1099511627776.0, " TB"},
  };
  double value = static_cast<double>(v);
  for (const Unit& unit : units) {
    if (value - unit.limit < -1e-7) {
      double q = value / unit.divisor + 1e-12;
      double rounded = std::floor(q * 100.0 + 0.5) / 100.0;
      return format_g13(rounded) + unit.name;
    }
  }
  return "0B";
}

}  // namespace quarrow::util
