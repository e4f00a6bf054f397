// The process-wide download settings shown on the settings page.
#pragma once

#include <atomic>

namespace quarrow::ui {

struct Settings {
  std::atomic<int> smart_ke_enabled{0};
  std::atomic<int> resume_enabled{0};
  std::atomic<int> fixed_dir_enabled{0};
};

Settings& settings();

}  // namespace quarrow::ui
