#include "check_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace harnlode::testing {
namespace {

std::filesystem::path NewErrorsFile() {
  std::string pattern = (std::filesystem::temp_directory_path() / "harnlode-err-XXXXXX").string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  ::close(fd);
  return pattern;
}

}  // namespace

CheckProcess::CheckProcess(const std::filesystem::path& folder, bool tune)
    : errors_(NewErrorsFile()) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors_.c_str(), O_WRONLY | O_TRUNC, 0);
  std::vector<std::string> arguments = {HARNLODE_CHECK_PROGRAM};
  if (tune) arguments.emplace_back("--tune");
  arguments.push_back(folder.string());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int failed = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error("cannot start " + arguments[0]);
}

CheckProcess::~CheckProcess() {
  Kill();
  std::error_code ignored;
  std::filesystem::remove(errors_, ignored);
}

int CheckProcess::Wait() {
  if (pid_ > 0) {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
  }
  return status_;
}

bool CheckProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  pid_ = -1;
  return false;
}

void CheckProcess::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  Wait();
}

std::string CheckProcess::Errors() const {
  std::ifstream in(errors_, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace harnlode::testing
