// A file descriptor that is closed when it goes out of scope, and reading through one.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace harnlode {

// Reads at `offset` until `into` is full or the file ends, going on after interruptions: the
// number of bytes read, or -1 with errno set.
inline ssize_t ReadAt(int fd, std::span<std::uint8_t> into, off_t offset) {
  std::size_t done = 0;
  while (done < into.size()) {
    const ssize_t got = ::pread(fd, into.data() + done, into.size() - done, offset + off_t(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

// The name under which the file open as `fd` opens again, whatever has become of its names in
// folders since: for libraries that open files by name only.
inline std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) reset(std::exchange(other.fd_, -1));
    return *this;
  }
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

}  // namespace harnlode
