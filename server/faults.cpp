#include "faults.h"

#include <algorithm>

namespace qs {

namespace {

bool rule_matches(const FaultRule& r, std::string_view kind, Host host, const std::string& path) {
  return r.kind == kind && r.remaining != 0 && (r.host == "any" || r.host == host_name(host)) &&
         path.compare(0, r.path.size(), r.path) == 0;
}

}  // namespace

const char* host_name(Host h) { return h == Host::disk ? "disk" : "share"; }

bool Faults::known_kind(std::string_view kind) {
  static const char* const kKinds[] = {"latency",          "cut",           "ignore_range",   "status416",
                                       "error_page",       "big_headers",   "cookie_lowercase", "cookie_nospace",
                                       "cookie_deleted",   "rate"};
  return std::any_of(std::begin(kKinds), std::end(kKinds), [&](const char* k) { return kind == k; });
}

int64_t Faults::add(FaultRule rule) {
  std::lock_guard<std::mutex> lock(mutex_);
  rule.id = next_id_++;
  rules_.push_back(rule);
  return rule.id;
}

void Faults::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_.clear();
}

std::vector<FaultRule> Faults::list() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rules_;
}

std::optional<std::string> Faults::take(std::string_view kind, Host host, const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& r : rules_) {
    if (!rule_matches(r, kind, host, path)) continue;
    if (r.remaining > 0) --r.remaining;
    return r.value;
  }
  return std::nullopt;
}

bool Faults::matches(std::string_view kind, Host host, const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(rules_.begin(), rules_.end(), [&](const FaultRule& r) { return rule_matches(r, kind, host, path); });
}

}  // namespace qs
