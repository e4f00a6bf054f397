// What the command-line program needs of its terminal: UTF-8 output of Texts,
// errors with their exit status, and a password prompt without echo.
#pragma once

#include <string>
#include <vector>

#include "util/text.h"

namespace quarrow::cli {

enum ExitStatus {
  kOk = 0,
  kFailed = 1,        // the service refused, or a file or folder failed
  kUsage = 2,         // the command line is wrong
  kNotLoggedIn = 3,   // no saved log-in, or it has expired
  kUnreachable = 4,   // no answer from the service
};

// Thrown by commands and caught in main: a message for stderr and the status.
struct CommandError {
  ExitStatus status;
  std::string message;  // UTF-8
};

[[noreturn]] void fail(ExitStatus status, const Text& message);

// Prints a Text (GB18030) as UTF-8.
void print(const Text& text);
void print_line(const Text& text);
std::string utf8(const Text& text);
// A Text for the terminal: UTF-8, with LF line breaks.
std::string terminal_text(const Text& text);
Text text_of(const std::string& utf8);

// Reads a password from the terminal without echo, or a line from stdin.
std::string read_password(const std::string& prompt);
std::string read_stdin_line();

// A JSON string literal of a UTF-8 text.
std::string json_quote(const std::string& utf8);

}  // namespace quarrow::cli
