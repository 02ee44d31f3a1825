// log-append-bench [ROUNDS]: the Win32 log's append of one line to a log of 2 MiB against the
// same append to an empty log, in the same window of the same process, alternately, ROUNDS
// times (default 20); prints the median times and their ratio:
//   empty_ms=0.041 full_ms=0.044 ratio=1.061
// Each round sets both logs' text anew, untimed, so that neither grows over the rounds.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "log_edit.h"

namespace {

using harnlode::win32::LogEdit;

constexpr std::size_t kFullLogBytes = 2 << 20;
// A service line of the check's report, as a run appends it.
constexpr const char* kLine =
    "  usbstor  Start 3 -> 0  Group \"SCSI miniport\" -> \"System Reserved\"";

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1e6 /
         static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const HWND window = CreateWindowExW(0, L"Static", L"log-append-bench", WS_OVERLAPPEDWINDOW, 0, 0,
                                      640, 480, nullptr, nullptr, nullptr, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LogEdit empty(window, {0, 0, 640, 240}, font);
  LogEdit full(window, {0, 240, 640, 480}, font);

  // Lines of the report's length, each ending a line, as runs leave the log.
  std::wstring full_text;
  const std::wstring line = std::wstring(kLine, kLine + std::char_traits<char>::length(kLine));
  while (full_text.size() < kFullLogBytes) full_text += line + L"\r\n";

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> times[2];
  LogEdit* logs[2] = {&empty, &full};
  for (int round = -3; round < rounds; ++round) {
    SetWindowTextW(empty.Handle(), L"");
    SetWindowTextW(full.Handle(), full_text.c_str());
    for (int which : {round & 1, 1 - (round & 1)}) {
      LARGE_INTEGER start;
      LARGE_INTEGER end;
      QueryPerformanceCounter(&start);
      logs[which]->AppendLine(kLine);
      QueryPerformanceCounter(&end);
      if (round >= 0) times[which].push_back(Microseconds(start, end, frequency));
    }
  }
  const double empty_us = Median(times[0]);
  const double full_us = Median(times[1]);
  std::printf("empty_ms=%.3f full_ms=%.3f ratio=%.3f\n", empty_us / 1e3, full_us / 1e3,
              full_us / empty_us);
  DestroyWindow(window);
  return 0;
}
