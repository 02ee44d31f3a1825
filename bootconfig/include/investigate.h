// The boot readiness check: whether the USB driver services load early enough for Windows to
// start from a USB disk, and, on request, the tuning that makes them do so.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace harnlode {

using ControlSetTable = std::array<std::string, 3>;
using ServiceTable = std::array<std::string, 6>;

extern const ControlSetTable ControlSetNames;
extern const ServiceTable UsbServiceNames;

// The last line of a run, which tells its verdict.
extern const std::string kReadyVerdict;
extern const std::string kNotReadyVerdict;

// Owns a log that only ever grows. The check writes its report there, one text at a time.
class TLogOwner {
 public:
  virtual ~TLogOwner() = default;

  // Appends the text as a new last line of the log.
  virtual void LogLine(const std::string& text) = 0;

  // Reports the load group and start type of every service in every control set, tests the USB
  // mass-storage driver file and appends the verdict; unless `AnalyzeOnly`, writes every value
  // that differs from the wanted one. Registry failures (ERegistryException) end the run.
  void InvestigateRegistry(ControlSetTable ControlSets, ServiceTable Services,
                           std::int32_t StartValue, const std::string& StartValueName,
                           const std::string& GroupValue, const std::string& GroupValueName,
                           bool AnalyzeOnly);
};

}  // namespace harnlode
