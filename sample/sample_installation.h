// A small, fresh Windows installation made from scratch, for trying Harnlode on a machine
// without one and for tests.
#pragma once

#include <filesystem>
#include <functional>

namespace harnlode {

// Makes the installation in `folder`, which is created if missing: a Windows folder whose SYSTEM
// hive holds ControlSet001 and ControlSet002 with the USB services as a fresh installation has
// them, and placeholder driver files. Throws std::runtime_error, having changed nothing, when the
// folder already holds a Windows folder (in any case); throws as well, removing what it made,
// when something cannot be written.
void MakeSampleInstallation(const std::filesystem::path& folder);

// The same installation with a SYSTEM hive of the caller's: `write_system_hive` writes it at the
// path it is given.
void MakeInstallation(const std::filesystem::path& folder,
                      const std::function<void(const std::filesystem::path&)>& write_system_hive);

}  // namespace harnlode
