#include "cli/cli_io.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "util/codepage.h"
#include "util/text_search.h"

namespace quarrow::cli {

void fail(ExitStatus status, const Text& message) { throw CommandError{status, utf8(message)}; }

std::string utf8(const Text& text) { return util::gbk_to_utf8(text); }
Text text_of(const std::string& utf8) { return util::utf8_to_gbk_whole(utf8); }

// Line breaks are replaced in the Text, where the search knows its double-byte characters.
std::string terminal_text(const Text& text) { return utf8(util::replace_all(text, "\r\n", "\n")); }

void print(const Text& text) { std::cout << utf8(text); }
void print_line(const Text& text) { std::cout << utf8(text) << '\n'; }

std::string read_stdin_line() {
  std::string line;
  std::getline(std::cin, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string read_password(const std::string& prompt) {
  if (!::isatty(STDIN_FILENO)) return read_stdin_line();
  std::cerr << prompt << std::flush;
  termios old_mode{};
  ::tcgetattr(STDIN_FILENO, &old_mode);
  termios quiet = old_mode;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  std::string line = read_stdin_line();
  ::tcsetattr(STDIN_FILENO, TCSANOW, &old_mode);
  std::cerr << '\n';
  return line;
}

std::string json_quote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace quarrow::cli
