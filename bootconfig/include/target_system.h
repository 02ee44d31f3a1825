// The Windows system that the check examines: its registry and its files. On Windows this is the
// running system; elsewhere it is an installation mounted in a folder. A program makes it once,
// at its start, and hands it to each run of the check, which holds a RegistryRun on it.
#pragma once

#include <memory>
#include <string>
#include <vector>

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
  // such as files it left alone: English sentences, one per entry. Never throws. The run's
  // report (RunReport::notes) is the one place they are shown from.
  virtual std::vector<std::string> Notes() { return {}; }
  // Which Windows the system is, read afresh. Never throws: one that cannot be read says why.
  virtual WindowsVersion Version() { return {}; }
  // The console program's command line that works on this system with `options`, as its user
  // would type it.
  virtual std::string ConsoleCommand(const std::string& options) {
    return "harnlode-check " + options;
  }
};

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

}  // namespace harnlode
