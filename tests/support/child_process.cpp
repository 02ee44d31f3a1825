#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "file_bytes.h"
#include "temp_installation.h"

namespace harnlode::testing {
namespace {

int StatusOf(int wait_status) { return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1; }

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> arguments, const ChildStreams& streams) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, streams.out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (streams.errors_to_output) {
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, streams.err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  if (!streams.working_folder.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, streams.working_folder.c_str());
  }
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int failed = ::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + arguments[0]);
  }
}

ChildProcess::~ChildProcess() { Kill(); }

int ChildProcess::Wait() {
  if (pid_ > 0) {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = StatusOf(status);
    pid_ = -1;
  }
  return status_;
}

bool ChildProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = StatusOf(status);
  pid_ = -1;
  return false;
}

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  Wait();
}

ProgramOutcome RunProgram(const std::vector<std::string>& arguments,
                          const std::filesystem::path& working_folder) {
  TempFolder streams;
  const std::filesystem::path out = streams.Path() / "out";
  const std::filesystem::path err = streams.Path() / "err";
  ProgramOutcome outcome;
  try {
    outcome.status =
        ChildProcess(arguments, {.out = out, .err = err, .working_folder = working_folder}).Wait();
  } catch (const std::runtime_error& e) {
    outcome.status = kCannotStart;
    outcome.err = e.what();
    return outcome;
  }
  outcome.out = ReadFile(out);
  outcome.err = ReadFile(err);
  return outcome;
}

int RunProgramInto(const std::vector<std::string>& arguments, const std::filesystem::path& out) {
  try {
    return ChildProcess(arguments, {.out = out}).Wait();
  } catch (const std::runtime_error&) {
    return kCannotStart;
  }
}

std::vector<std::string> CheckArguments(const std::filesystem::path& folder, bool tune) {
  if (tune) return {HARNLODE_CHECK_PROGRAM, "--tune", folder.string()};
  return {HARNLODE_CHECK_PROGRAM, folder.string()};
}

CheckProcess::CheckProcess(const std::filesystem::path& folder, bool tune)
    : ChildProcess(CheckArguments(folder, tune), {.err = errors_folder.Path() / "err"}) {}

CheckProcess::~CheckProcess() { Kill(); }

std::string CheckProcess::Errors() const { return ReadFile(errors_folder.Path() / "err"); }

}  // namespace harnlode::testing
