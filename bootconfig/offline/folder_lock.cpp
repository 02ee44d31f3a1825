#include "offline/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace harnlode {

FolderLock::FolderLock(int folder, std::chrono::milliseconds patience) {
  // A lock belongs to an open file description: one of its own, so that two holders in one
  // process take turns as two processes do.
  folder_ = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_ < 0) {
    error_ = errno;
    return;
  }
  constexpr std::chrono::milliseconds kPoll(10);
  const auto give_up = std::chrono::steady_clock::now() + patience;
  while (::flock(folder_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      state_ = State::kUnsupported;
      return;
    }
    if (std::chrono::steady_clock::now() >= give_up) {
      state_ = State::kBusy;
      return;
    }
    std::this_thread::sleep_for(kPoll);
  }
  state_ = State::kHeld;
}

FolderLock::~FolderLock() {
  // Closing the descriptor lets go of the lock; so does the end of the process, however it ends.
  if (folder_ >= 0) ::close(folder_);
}

}  // namespace harnlode
