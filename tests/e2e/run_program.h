// Runs one of the project's programs with extra environment and stdin, and
// collects its exit status and output.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quarrow::testing {

struct ProgramResult {
  int status = -1;  // exit status; -1 when it did not exit normally
  std::string out;
  std::string err;
};

ProgramResult run_program(const std::string& path, const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& env, const std::string& input = {},
                          int timeout_seconds = 60);

}  // namespace quarrow::testing
