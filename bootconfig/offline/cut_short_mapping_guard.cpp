#include "offline/cut_short_mapping_guard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace harnlode {
namespace {

std::atomic<int> guards{0};
std::uintptr_t page_size = 4096;
struct sigaction before = {};

void OnBusError(int, siginfo_t* info, void*) {
  if (guards.load() > 0 && info->si_code == BUS_ADRERR) {
    // An anonymous page of zeros in place of the one the file no longer has; the faulting read
    // runs again when the handler returns.
    void* page =
        reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(info->si_addr) & ~(page_size - 1));
    if (::mmap(page, page_size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      return;
    }
  }
  // Not a guarded read: the fault happens again under the handling there was before.
  ::sigaction(SIGBUS, &before, nullptr);
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
  ++guards;
}

CutShortMappingGuard::~CutShortMappingGuard() { --guards; }

}  // namespace harnlode
