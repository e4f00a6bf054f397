#include "shell/ini_file.h"

#include "util/text_search.h"

namespace quarrow::shell {
namespace {

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The section name of a header line "[name]", or nullopt.
std::optional<std::string_view> section_of(std::string_view line) {
  line = trim_blanks(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trim_blanks(line.substr(1, close - 1));
}

std::optional<std::string_view> key_of(std::string_view line) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return trim_blanks(line.substr(0, eq));
}

// Values are trimmed on reading and lose one pair of enclosing quotes, so a value
// with outer blanks or quotes is written quoted to come back as it was.
std::string encode_value(const Text& value) {
  Text v = value;
  for (auto& c : v)
    if (c == '\r' || c == '\n') c = ' ';  // a line break would end the entry
  bool needs_quotes = !v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' ||
                                     v.back() == '\t' || (v.size() >= 2 && v.front() == '"' && v.back() == '"'));
  return needs_quotes ? "\"" + v + "\"" : v;
}

Text decode_value(std::string_view raw) {
  raw = trim_blanks(raw);
  if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') raw = raw.substr(1, raw.size() - 2);
  return Text(raw);
}

}  // namespace

IniFile::IniFile(std::string_view content) {
  size_t pos = 0;
  bool first = true;
  while (pos < content.size()) {
    size_t nl = content.find('\n', pos);
    std::string_view line = content.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
      if (first) newline_ = "\r\n";
    }
    first = false;
    lines_.emplace_back(line);
    if (nl == std::string_view::npos) break;
    pos = nl + 1;
  }
}

std::optional<IniFile::Position> IniFile::locate(const Text& section, const Text& key) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    auto name = section_of(lines_[i]);
    if (!name || !util::equal_ignore_case(*name, section)) continue;
    Position pos{lines_.size(), std::nullopt};
    for (size_t j = i + 1; j < lines_.size(); ++j) {
      if (section_of(lines_[j])) {
        pos.section_end = j;
        break;
      }
      auto k = key_of(lines_[j]);
      if (!pos.line && k && util::equal_ignore_case(*k, key)) pos.line = j;
    }
    return pos;
  }
  return std::nullopt;
}

std::optional<Text> IniFile::get(const Text& section, const Text& key) const {
  auto pos = locate(section, key);
  if (!pos || !pos->line) return std::nullopt;
  const std::string& line = lines_[*pos->line];
  return decode_value(std::string_view(line).substr(line.find('=') + 1));
}

void IniFile::set(const Text& section, const Text& key, const Text& value) {
  std::string entry = key + "=" + encode_value(value);
  auto pos = locate(section, key);
  if (!pos) {
    if (!lines_.empty() && !lines_.back().empty()) lines_.emplace_back();
    lines_.push_back("[" + section + "]");
    lines_.push_back(entry);
    return;
  }
  if (pos->line) {
    lines_[*pos->line] = entry;
    return;
  }
  // After the section's last non-blank line, so blank separators stay between sections.
  size_t at = pos->section_end;
  while (at > 0 && trim_blanks(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<long>(at), entry);
}

void IniFile::remove(const Text& section, const Text& key) {
  auto pos = locate(section, key);
  if (pos && pos->line) lines_.erase(lines_.begin() + static_cast<long>(*pos->line));
}

std::string IniFile::content() const {
  std::string out;
  for (const auto& line : lines_) out += line + newline_;
  return out;
}

}  // namespace quarrow::shell
