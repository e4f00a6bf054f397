#include "ui/list_format.h"

#include "util/base64.h"
#include "util/text_search.h"

namespace quarrow::ui {
namespace {

constexpr char kEsc = '\x1B';

// "|" counts only where a character starts: the trail byte of a double-byte
// character may be 0x7C and needs no escape.
bool needs_escape(const Text& cell) {
  return cell.find_first_of("\r\n\x1B") != Text::npos || util::find_marker(cell, "|") != util::npos;
}

Text escape_cell(const Text& cell) {
  Text out;
  for (size_t i = 0; i < cell.size(); ++i) {
    char c = cell[i];
    if (static_cast<unsigned char>(c) >= 0x80 && i + 1 < cell.size()) {
      out += c;
      out += cell[++i];
      continue;
    }
    switch (c) {
      case kEsc: out += "\x1B" "e"; break;
      case '|': out += "\x1B" "p"; break;
      case '\r': out += "\x1B" "r"; break;
      case '\n': out += "\x1B" "n"; break;
      default: out += c;
    }
  }
  return out;
}

Text unescape_cell(const Text& cell) {
  Text out;
  for (size_t i = 0; i < cell.size(); ++i) {
    if (cell[i] != kEsc || i + 1 >= cell.size()) {
      out += cell[i];
      continue;
    }
    switch (cell[++i]) {
      case 'e': out += kEsc; break;
      case 'p': out += '|'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      default: out += cell[i];
    }
  }
  return out;
}

}  // namespace

Text list_text(const ListRows& rows) {
  Text text;
  for (const auto& row : rows) {
    bool escaped = false;
    for (const Text& cell : row) escaped = escaped || needs_escape(cell);
    if (escaped) text += kEsc;
    for (size_t c = 0; c < row.size(); ++c) {
      text += escaped ? escape_cell(row[c]) : row[c];
      text += c + 1 == row.size() ? "\r\n" : "|";
    }
  }
  return text;
}

ListRows parse_list_text(const Text& text) {
  ListRows rows;
  for (const Text& line : util::split_text(text, "\r\n")) {
    bool escaped = !line.empty() && line[0] == kEsc;
    std::vector<Text> cells = util::split_text(escaped ? line.substr(1) : line, "|");
    if (escaped)
      for (Text& cell : cells) cell = unescape_cell(cell);
    rows.push_back(std::move(cells));
  }
  return rows;
}

Text encode_list(const ListRows& rows) { return util::base64_encode(list_text(rows)); }

ListRows decode_list(const Text& stored) {
  std::string bytes = util::base64_decode(stored);
  size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  return parse_list_text(bytes);
}

}  // namespace quarrow::ui
