// The console program harnlode-check running as a child process, for tests that run several at
// once or end one abruptly.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace harnlode::testing {

class CheckProcess {
 public:
  // Starts `harnlode-check [--tune] folder`; its standard output is dropped and its standard
  // error kept for Errors().
  CheckProcess(const std::filesystem::path& folder, bool tune);
  // Kills the program if it still runs.
  ~CheckProcess();
  CheckProcess(const CheckProcess&) = delete;
  CheckProcess& operator=(const CheckProcess&) = delete;

  // Waits for the end; returns the exit status, or -1 when a signal ended the program.
  int Wait();
  // True when the program has not ended yet.
  bool Running();
  // Ends the program at once with SIGKILL, unless it has ended, and waits for it.
  void Kill();
  // What the program wrote to standard error; complete once it has ended.
  std::string Errors() const;

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  std::filesystem::path errors_;
};

}  // namespace harnlode::testing
