#include "offline/cut_short_mapping_guard.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <mutex>

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
  std::FILE* maps = std::fopen("/proc/self/maps", "re");
  if (maps == nullptr) return;
  const std::lock_guard lock(covering);
  std::size_t slot = 0;
  unsigned long begin = 0;
  unsigned long end = 0;
  unsigned int major_number = 0;
  unsigned int minor_number = 0;
  unsigned long mapped_inode = 0;
  // START-END PERMISSIONS OFFSET MAJOR:MINOR INODE [PATH]
  while (std::fscanf(maps, "%lx-%lx %*s %*s %x:%x %lu%*[^\n]", &begin, &end, &major_number,
                     &minor_number, &mapped_inode) == 5) {
    if (makedev(major_number, minor_number) != device || mapped_inode != inode) continue;
    while (slot < covered.size() && covered[slot].begin.load() != 0) ++slot;
    if (slot == covered.size()) break;
    covered[slot].end.store(end);
    covered[slot].begin.store(begin);
    slots_.push_back(slot);
  }
  std::fclose(maps);
}

void CutShortMappingGuard::Uncover() {
  const std::lock_guard lock(covering);
  for (std::size_t slot : slots_) covered[slot].begin.store(0);
  slots_.clear();
}

}  // namespace harnlode
