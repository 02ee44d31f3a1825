// process-ratio RUNS PREPARE -- FLOOR... -- CANDIDATE...
// Times two programs as whole processes, alternately (floor, candidate, candidate, floor, ...) so
// that a machine shared with others slows both alike, and prints the median wall times, their
// ratio, the ratio of their median processor times (user and system) and the peak memory of each:
//   floor_ms=5.10 candidate_ms=5.42 ratio=1.063 cpu_ratio=1.050 floor_peak_kib=10240
//   candidate_peak_kib=10496
// PREPARE, when not empty, is a shell command run untimed before every run of either program.
// Both programs' output is discarded; a run that fails ends this program with status 1.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Measure {
  double wall_ms = 0;
  double cpu_ms = 0;  // user and system time
  long peak_kib = 0;
};

double Milliseconds(const struct timeval& time) {
  return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
}

Measure RunOnce(const std::vector<char*>& command) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("process-ratio: fork");
    std::exit(1);
  }
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(command[0], command.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage = {};
  if (::wait4(child, &status, 0, &usage) != child) {
    std::perror("process-ratio: wait4");
    std::exit(1);
  }
  const auto end = std::chrono::steady_clock::now();
  // harnlode-check tells its verdict in the status: 1 is "not ready", not a failure.
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    std::cerr << "process-ratio: " << command[0] << " failed\n";
    std::exit(1);
  }
  return {std::chrono::duration<double, std::milli>(end - start).count(),
          Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime), usage.ru_maxrss};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::vector<char*>> commands(1);
  for (int i = 3; i < argc; ++i) {
    if (std::string(argv[i]) == "--") {
      commands.emplace_back();
    } else {
      commands.back().push_back(argv[i]);
    }
  }
  const int runs = argc > 1 ? std::atoi(argv[1]) : 0;
  if (argc < 3 || runs < 1 || commands.size() != 3 || !commands[0].empty() || commands[1].empty() ||
      commands[2].empty()) {
    std::cerr << "Usage: process-ratio RUNS PREPARE -- FLOOR... -- CANDIDATE...\n";
    return 2;
  }
  const std::string prepare = argv[2];
  commands[1].push_back(nullptr);
  commands[2].push_back(nullptr);

  std::vector<double> wall[2];
  std::vector<double> cpu[2];
  long peak[2] = {0, 0};
  auto run = [&](int which, bool measured) {
    if (!prepare.empty() && std::system(prepare.c_str()) != 0) {
      std::cerr << "process-ratio: the preparation failed\n";
      std::exit(1);
    }
    const Measure measure = RunOnce(commands[which + 1]);
    if (!measured) return;
    wall[which].push_back(measure.wall_ms);
    cpu[which].push_back(measure.cpu_ms);
    peak[which] = std::max(peak[which], measure.peak_kib);
  };
  for (int warm_up = 0; warm_up < 3; ++warm_up) {
    run(0, false);
    run(1, false);
  }
  for (int i = 0; i < runs; ++i) {
    const int first = i % 2;
    run(first, true);
    run(1 - first, true);
  }
  const double floor_ms = Median(wall[0]);
  const double candidate_ms = Median(wall[1]);
  std::printf(
      "floor_ms=%.2f candidate_ms=%.2f ratio=%.3f cpu_ratio=%.3f floor_peak_kib=%ld "
      "candidate_peak_kib=%ld\n",
      floor_ms, candidate_ms, candidate_ms / floor_ms, Median(cpu[1]) / Median(cpu[0]), peak[0],
      peak[1]);
  return 0;
}
