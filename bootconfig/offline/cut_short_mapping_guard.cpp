#include "offline/cut_short_mapping_guard.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <mutex>
#include <string>
#include <string_view>

namespace harnlode {
namespace {

// The covered address ranges; a free slot has begin 0. The handler reads them without a lock.
struct Range {
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> end{0};
};
std::array<Range, 32> covered;
std::mutex covering;  // between guards that take and give back slots
std::uintptr_t page_size = 4096;
struct sigaction before = {};

bool Covered(std::uintptr_t address) {
  for (const Range& range : covered) {
    const std::uintptr_t begin = range.begin.load();
    if (begin != 0 && begin <= address && address < range.end.load()) return true;
  }
  return false;
}

// What the process did with SIGBUS before the guard: its handler is called; the default or
// ignoring is restored, so that a fault, when it happens again on return, ends the process as it
// would have, and a signal a program sent is delivered again under it.
void PassOn(int signal, siginfo_t* info, void* context) {
  if ((before.sa_flags & SA_SIGINFO) != 0 && before.sa_sigaction != nullptr) {
    before.sa_sigaction(signal, info, context);
    return;
  }
  if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
    before.sa_handler(signal);
    return;
  }
  const bool sent = info->si_code <= 0;  // by kill() or raise(), not by a fault
  if (sent && before.sa_handler == SIG_IGN) return;
  struct sigaction plain = {};
  plain.sa_handler = SIG_DFL;
  sigemptyset(&plain.sa_mask);
  ::sigaction(SIGBUS, &plain, nullptr);
  if (sent) ::raise(SIGBUS);
}

void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  if (info->si_code == BUS_ADRERR && Covered(address)) {
    // An anonymous page of zeros in place of the one the file no longer has; the faulting read
    // runs again when the handler returns.
    void* page = reinterpret_cast<void*>(address & ~(page_size - 1));
    if (::mmap(page, page_size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      return;
    }
  }
  PassOn(signal, info, context);
}

void Install() {
  page_size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  struct sigaction handling = {};
  handling.sa_sigaction = OnBusError;
  handling.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&handling.sa_mask);
  ::sigaction(SIGBUS, &handling, &before);
}

}  // namespace

CutShortMappingGuard::CutShortMappingGuard() {
  static std::once_flag installed;
  std::call_once(installed, Install);
}

CutShortMappingGuard::~CutShortMappingGuard() { Uncover(); }

void CutShortMappingGuard::Cover(dev_t device, ino_t inode) {
  // Read whole and parsed by hand: scanf costs a run of a small hive more than the rest of it.
  const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (maps < 0) return;
  std::string text;
  std::array<char, 16384> piece;
  for (ssize_t got; (got = ::read(maps, piece.data(), piece.size())) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    text.append(piece.data(), static_cast<std::size_t>(got));
  }
  ::close(maps);
  const std::lock_guard lock(covering);
  std::size_t slot = 0;
  // START-END PERMISSIONS OFFSET MAJOR:MINOR INODE [PATH]; a line that does not parse gives
  // numbers that match no file.
  for (std::string_view rest = text; !rest.empty();) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    std::string_view field = line;
    const auto number = [&field](int base, char after) {
      unsigned long value = 0;
      const auto [end, error] =
          std::from_chars(field.data(), field.data() + field.size(), value, base);
      const std::size_t used = static_cast<std::size_t>(end - field.data());
      field.remove_prefix(error == std::errc() && used < field.size() && field[used] == after
                              ? used + 1
                              : field.size());
      return value;
    };
    const auto skip = [&field] {
      field.remove_prefix(std::min(field.size(), field.find(' ') + 1));
    };
    const unsigned long begin = number(16, '-');
    const unsigned long end = number(16, ' ');
    skip();  // permissions
    skip();  // offset
    const auto major_number = static_cast<unsigned int>(number(16, ':'));
    const auto minor_number = static_cast<unsigned int>(number(16, ' '));
    const unsigned long mapped_inode = number(10, ' ');
    if (makedev(major_number, minor_number) != device || mapped_inode != inode) continue;
    while (slot < covered.size() && covered[slot].begin.load() != 0) ++slot;
    if (slot == covered.size()) break;
    covered[slot].end.store(end);
    covered[slot].begin.store(begin);
    slots_.push_back(slot);
  }
}

void CutShortMappingGuard::Uncover() {
  const std::lock_guard lock(covering);
  for (std::size_t slot : slots_) covered[slot].begin.store(0);
  slots_.clear();
}

}  // namespace harnlode
