#include "usb_start_check.h"

#include <exception>
#include <optional>

#include "registry.h"
#include "registry_run.h"
#include "registry_values.h"
#include "target_system.h"
#include "usb_start_needs.h"

namespace harnlode {
namespace {

using Release = WindowsVersion::Release;

const std::string kSystem = "SYSTEM\\";

UsbStartValues ReadUsbStartValues(RegistryStore& store, const WindowsVersion& version) {
  RegistryValues read(store);
  UsbStartValues values;
  values.current_control_set = read.Dword(kSystem + "Select", "Current");
  if (version.AtLeast(Release::k8)) {
    const std::optional<std::string> machine = read.Text(kSystem + "HardwareConfig", "LastConfig");
    // One key's name, never a path that leads elsewhere.
    if (machine && !machine->empty() && machine->find('\\') == std::string::npos) {
      values.machine = machine;
      values.machine_key = read.KeyExists(kSystem + MachineKey(*machine));
      values.machine_flags = read.Dword(kSystem + MachineKey(*machine), kBootDriverFlagsName);
    }
  }
  const std::optional<std::string> control_set = ControlSetName(values.current_control_set);
  if (!control_set) return values;
  const std::string set = kSystem + *control_set;
  values.control_flags = read.Dword(set + "\\Control", kBootDriverFlagsName);
  values.boot_disk_wait = read.Dword(set + "\\Control\\PnP", kBootDiskWaitName);
  for (const char* service : kUsbBootServices) {
    const std::string key = set + "\\Services\\" + service;
    if (!read.KeyExists(key)) continue;
    values.services.push_back({service, read.Dword(key, kBootFlagsName), read.Dword(key, "Start")});
  }
  return values;
}

// Logs the key's line and, when `raised` holds a value, the writing line, then writes it. The key
// is never created unless `create_key`.
void SetDword(TLogOwner& log, RegistryStore& store, const std::string& key, bool create_key,
              const std::string& name, const std::string& now, std::optional<std::uint32_t> raised,
              const std::string& raised_text) {
  log.LogLine(key + ": " + name + " " + now + "\n");
  if (!raised) return;
  log.LogLine("Writing: " + name + ": " + raised_text + "\n");
  TRegistry registry(store);
  registry.SetRoot(kHkeyLocalMachine);
  registry.OpenPath(key, create_key);  // a failed open fails the write, as in the tuning
  registry.WriteNumber(name, static_cast<std::int32_t>(*raised));
}

void SetFlags(TLogOwner& log, RegistryStore& store, const std::string& key,
              std::optional<std::uint32_t> flags, std::uint32_t wanted) {
  const std::optional<std::uint32_t> raised = WithFlags(flags, wanted);
  SetDword(log, store, key, false, kBootDriverFlagsName, FlagsText(flags), raised,
           FlagsText(raised));
}

void SetWindows7Values(TLogOwner& log, RegistryStore& store) {
  RegistryValues read(store);
  for (const std::string& control_set : ControlSetNames) {
    const std::string control = kSystem + control_set + "\\Control";
    if (!read.KeyExists(control)) continue;
    SetFlags(log, store, control, read.Dword(control, kBootDriverFlagsName), kUsbBootFlags);
    const std::string pnp = control + "\\PnP";
    const std::optional<std::uint32_t> wait = read.Dword(pnp, kBootDiskWaitName);
    const std::optional<std::uint32_t> raised = WithBootDiskWait(wait);
    SetDword(log, store, pnp, true, kBootDiskWaitName, wait ? std::to_string(*wait) : "missing",
             raised, std::to_string(kUsbBootDiskWait));
  }
}

void SetLaterValues(TLogOwner& log, RegistryStore& store, const UsbStartValues& values) {
  const std::uint32_t wanted = kUsbBootFlags | kUsb3BootFlags;
  if (values.machine && values.machine_key) {
    SetFlags(log, store, kSystem + MachineKey(*values.machine), values.machine_flags, wanted);
  } else {
    // Windows adds a machine's key when it starts there; one made up here would name no machine.
    log.LogLine("Not writing the machine's " + std::string(kBootDriverFlagsName) +
                ": HardwareConfig holds no machine that started this Windows.\n");
  }
  if (const std::optional<std::string> control_set = ControlSetName(values.current_control_set)) {
    SetFlags(log, store, kSystem + *control_set + "\\Control", values.control_flags, wanted);
  } else {
    log.LogLine("Not writing " + std::string(kBootDriverFlagsName) +
                ": Select\\Current names no control set.\n");
  }
}

void SetValues(TLogOwner& log, RegistryStore& store, const WindowsVersion& version) {
  if (version.AtLeast(Release::k8)) {
    SetLaterValues(log, store, ReadUsbStartValues(store, version));
  } else if (version.AtLeast(Release::k7)) {
    SetWindows7Values(log, store);
  } else if (version.AtLeast(Release::kVista)) {
    log.LogLine("Not writing " + std::string(kBootDriverFlagsName) + ": " + version.Name() +
                " starts from USB without them.\n");
  } else {
    log.LogLine("Not writing " + std::string(kBootDriverFlagsName) +
                ": which Windows this is cannot be told. " +
                (version.problem.empty() ? "It keeps no SOFTWARE hive." : version.problem) + "\n");
  }
}

}  // namespace

std::vector<std::string> CheckUsbStart(TLogOwner& log, RegistryRun& run, bool set_flags) {
  TargetSystem& system = run.System();
  const WindowsVersion version = system.Version();
  RegistryStore& store = run.Registry();
  if (set_flags) SetValues(log, store, version);
  if (WantedBootDriverFlags(version) == 0) return UsbStartNotes(version, {}, "");
  try {
    return UsbStartNotes(version, ReadUsbStartValues(store, version),
                         system.ConsoleCommand("--tune --boot-driver-flags"));
  } catch (const std::exception& failure) {
    // A report that went well so far is not ended for values beside the check's own.
    return {"The values that " + version.Name() +
            " needs to start from USB beside the services' could not be read: " + failure.what()};
  }
}

}  // namespace harnlode
