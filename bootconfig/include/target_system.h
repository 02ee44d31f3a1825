// The Windows system that the check examines: its registry and its files. On Windows this is the
// running system; elsewhere it is an installation mounted in a folder. The check reaches it
// through `CurrentTargetSystem()`, which a `UseTargetSystem` scope sets, and holds a RegistryRun
// on it for each run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "registry_run.h"
#include "registry_store.h"
#include "windows_version.h"

namespace harnlode {

class TargetSystem {
 public:
  virtual ~TargetSystem() = default;

  virtual RegistryStore& Registry() = 0;
  // True when the Windows path (such as "c:\\windows\\notepad.exe") names an existing file system
  // object that is not a directory.
  virtual bool IsFile(const std::string& windows_path) = 0;
  // After a failed run: why the registry could not be written, when the latest run was refused
  // the rights to write and the system can tell, in English sentences that say what to do.
  // Empty otherwise. Never throws.
  virtual std::string WriteRefusalExplanation() { return {}; }
  // What the latest run, ended or failed, found beside its report that its user should know,
  // such as files it left alone: English sentences, one per entry. Never throws.
  virtual std::vector<std::string> Warnings() { return {}; }
  // Which Windows the system is, read afresh. Never throws: one that cannot be read says why.
  virtual WindowsVersion Version() { return {}; }
  // The console program's command line that works on this system with `options`, as its user
  // would type it.
  virtual std::string ConsoleCommand(const std::string& options) {
    return "harnlode-check " + options;
  }

  // The failures of the latest run that could not be raised because another failure was ending
  // it, such as a write-back that failed while the run was unwound; kept until the next run.
  const std::vector<std::string>& KeptFailures() const { return kept_failures_; }

 private:
  friend class RegistryRun;
  std::vector<std::string> kept_failures_;
};

// The system in use. Throws std::logic_error when none is.
TargetSystem& CurrentTargetSystem();
// The system in use, or null.
TargetSystem* TargetSystemInUse();

// The system that a program's command line names, as both programs find it; each platform has a
// definition of its own. `system` is null when the command line names none: `problem` then says
// why, or, when it is empty, the folder that is needed was not given.
struct CommandLineTarget {
  std::unique_ptr<TargetSystem> system;
  std::string problem;
};
// `program` is the program's name as its user knows it; `operands` are what its command line
// gives after the options. Throws EInstallationError when the folder holds no usable
// installation.
CommandLineTarget TargetFromCommandLine(const std::string& program,
                                        const std::vector<std::string>& operands);

// Makes a system the one in use for the scope's lifetime; scopes nest.
class UseTargetSystem {
 public:
  explicit UseTargetSystem(TargetSystem& system);
  ~UseTargetSystem();
  UseTargetSystem(const UseTargetSystem&) = delete;
  UseTargetSystem& operator=(const UseTargetSystem&) = delete;

 private:
  TargetSystem* previous_;
};

}  // namespace harnlode
