// hivex maps a hive it opens for reading. When another program cuts the file short meanwhile, a
// read of the lost part raises SIGBUS, which would end the process. While a guard covers the
// mapping, such a read yields zeros instead; the reader must then find out for itself that the
// file changed. Every other SIGBUS (another mapping's, or one sent by a program) goes to the
// handling the process had before.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace harnlode {

class CutShortMappingGuard {
 public:
  CutShortMappingGuard();
  ~CutShortMappingGuard();
  CutShortMappingGuard(const CutShortMappingGuard&) = delete;
  CutShortMappingGuard& operator=(const CutShortMappingGuard&) = delete;

  // Covers this process's mappings of the file with that device and inode, as they are now.
  void Cover(dev_t device, ino_t inode);
  // Covers nothing any more; called before the mappings go, so that their addresses, once reused,
  // are not covered.
  void Uncover();

 private:
  std::vector<std::size_t> slots_;  // of the covered ranges, in the process-wide table
};

}  // namespace harnlode
