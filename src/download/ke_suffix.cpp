#include "download/ke_suffix.h"

#include "util/file_types.h"

namespace quarrow::download {

Text strip_ke_suffix(const Text& name) {
  if (name.size() < 3 || name.compare(name.size() - 3, 3, ".ke") != 0) return name;
  Text base = name.substr(0, name.size() - 3);
  if (util::file_extension(base).empty()) return name;
  if (base.size() >= 2 && base.compare(base.size() - 2, 2, ".*") == 0) base.resize(base.size() - 2);
  return base;
}

}  // namespace quarrow::download
