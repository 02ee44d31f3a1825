// Programs run as child processes, with posix_spawn: arguments reach the program as they are,
// with no shell between, so that no path needs quoting.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "temp_installation.h"

namespace harnlode::testing {

// Where a child's standard output and error lead (it reads nothing); errors may share the
// output's file.
struct ChildStreams {
  std::filesystem::path out = "/dev/null";
  std::filesystem::path err = "/dev/null";
  bool errors_to_output = false;
  std::filesystem::path working_folder = {};  // empty: this process's
};

class ChildProcess {
 public:
  // Starts the program, the first argument, found on PATH when it holds no slash. Throws
  // std::runtime_error when it cannot be started.
  explicit ChildProcess(std::vector<std::string> arguments, const ChildStreams& streams = {});
  // Kills the program if it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The process, while it has not been waited for; -1 after.
  pid_t Pid() const { return pid_; }
  // Waits for the end; returns the exit status, or -1 when a signal ended the program.
  int Wait();
  // True when the program has not ended yet.
  bool Running();
  // Ends the program at once with SIGKILL, unless it has ended, and waits for it.
  void Kill();

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// The status of a program that could not be started, as a shell gives it.
inline constexpr int kCannotStart = 127;

struct ProgramOutcome {
  int status = -1;  // the exit status, -1 when a signal ended the program
  std::string out;
  std::string err;
};

// Runs the program to its end with no input; returns its status and what it wrote.
// A program that cannot be started gives kCannotStart.
ProgramOutcome RunProgram(const std::vector<std::string>& arguments,
                          const std::filesystem::path& working_folder = {});

// Runs the program with its standard output written to `out`; returns its exit status.
int RunProgramInto(const std::vector<std::string>& arguments, const std::filesystem::path& out);

// Where a CheckProcess keeps its standard error; a base of it, so that it exists before the
// program starts.
struct ErrorsFolder {
  TempFolder errors_folder;
};

// The command line harnlode-check [--tune] folder.
std::vector<std::string> CheckArguments(const std::filesystem::path& folder, bool tune);

// harnlode-check [--tune] folder, with its standard output dropped and its standard error kept.
class CheckProcess : private ErrorsFolder, public ChildProcess {
 public:
  CheckProcess(const std::filesystem::path& folder, bool tune);
  ~CheckProcess();
  // What the program wrote to standard error; complete once it has ended.
  std::string Errors() const;
};

}  // namespace harnlode::testing
