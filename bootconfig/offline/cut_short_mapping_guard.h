// hivex maps a hive it opens for reading. When another program cuts the file short meanwhile, a
// read of the lost part raises SIGBUS, which would end the process. While a guard exists, such a
// read yields zeros instead; the reader must then find out for itself that the file changed.
#pragma once

namespace harnlode {

class CutShortMappingGuard {
 public:
  CutShortMappingGuard();
  ~CutShortMappingGuard();
  CutShortMappingGuard(const CutShortMappingGuard&) = delete;
  CutShortMappingGuard& operator=(const CutShortMappingGuard&) = delete;
};

}  // namespace harnlode
