// Fault injection for tests: rules that slow requests down or spoil answers.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

enum class Host { disk, share };
const char* host_name(Host h);

struct FaultRule {
  int64_t id = 0;
  std::string host = "any";  // "disk", "share" or "any"
  std::string kind;          // see server/README.md
  std::string value;
  std::string path;          // applies to request paths starting with this
  int64_t remaining = -1;    // number of uses left, -1 for unlimited
};

class Faults {
 public:
  // Kinds the server knows; add() refuses others.
  static bool known_kind(std::string_view kind);

  int64_t add(FaultRule rule);
  void clear();
  std::vector<FaultRule> list() const;
  // The value of the first matching rule, using it up once.
  std::optional<std::string> take(std::string_view kind, Host host, const std::string& path);
  bool matches(std::string_view kind, Host host, const std::string& path) const;

 private:
  mutable std::mutex mutex_;
  std::vector<FaultRule> rules_;
  int64_t next_id_ = 1;
};

}  // namespace qs
