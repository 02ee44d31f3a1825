// What Windows 7 and later need in the SYSTEM hive to start from a USB disk, beyond the six USB 2
// services' load group and start type: from Windows 7 on a service is loaded at boot when its
// BootFlags share a bit with the boot's BootDriverFlags, and Windows 8 and later read those per
// machine, in HardwareConfig\{machine}, too. Windows 7 also waits for its boot disk no longer than
// PollBootPartitionTimeout. No I/O here: the values come read, and the notes go out as text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "windows_version.h"

namespace harnlode {

// BootDriverFlags' bits for a USB disk (0x4) and a USB 3 disk (0x10).
inline constexpr std::uint32_t kUsbBootFlags = 0x4;
inline constexpr std::uint32_t kUsb3BootFlags = 0x10;
// The wait for the boot disk, in milliseconds, that a USB start of Windows 7 needs at least.
inline constexpr std::uint32_t kUsbBootDiskWait = 15000;

inline constexpr const char* kBootDriverFlagsName = "BootDriverFlags";
inline constexpr const char* kBootDiskWaitName = "PollBootPartitionTimeout";
inline constexpr const char* kBootFlagsName = "BootFlags";

// The USB services whose BootFlags and start type are shown: the six of the check, then Windows
// 8's own USB 3 host controller, hub and UAS storage drivers.
inline constexpr std::array<const char*, 9> kUsbBootServices = {"usbccgp", "usbehci", "usbhub",
                                                                "usbohci", "usbuhci", "usbstor",
                                                                "USBXHCI", "USBHUB3", "UASPStor"};

struct ServiceBootValues {
  std::string name;  // as in kUsbBootServices
  std::optional<std::uint32_t> boot_flags;
  std::optional<std::uint32_t> start;
};

// The values that decide a USB start, as read; a missing optional is a value that is not there.
struct UsbStartValues {
  std::optional<std::uint32_t> current_control_set;  // Select\Current
  // HardwareConfig\LastConfig, when it names a key; the machine that last started the system.
  std::optional<std::string> machine;
  bool machine_key = false;                     // HardwareConfig\{machine} exists
  std::optional<std::uint32_t> machine_flags;   // its BootDriverFlags
  std::optional<std::uint32_t> control_flags;   // Control\BootDriverFlags, current set
  std::optional<std::uint32_t> boot_disk_wait;  // Control\PnP\PollBootPartitionTimeout
  std::vector<ServiceBootValues> services;      // those of kUsbBootServices present
};

// The BootDriverFlags bits that a USB start of the version needs: 0x14 from Windows 8 on, 0x4 for
// Windows 7, none before or when the version is not known.
std::uint32_t WantedBootDriverFlags(const WindowsVersion& version);
// The value with the wanted bits ORed in, when it lacks any of them (a missing one counts as 0);
// nothing when it has them all.
std::optional<std::uint32_t> WithFlags(std::optional<std::uint32_t> value, std::uint32_t wanted);
// The wait raised to kUsbBootDiskWait when it is shorter (a missing one counts as 0).
std::optional<std::uint32_t> WithBootDiskWait(std::optional<std::uint32_t> wait);

// "ControlSet001" for 1; nothing for a number that names no control set.
std::optional<std::string> ControlSetName(std::optional<std::uint32_t> number);
// "HardwareConfig\{...}", below SYSTEM.
std::string MachineKey(const std::string& machine);
// "0x1C"; "missing" when there is none.
std::string FlagsText(std::optional<std::uint32_t> value);

// The notes that follow the verdict: the values read, then one sentence that says what is missing
// and that `set_command`, a command line, sets it, or that the registry holds what the version
// needs. None for Windows Vista, or when the system keeps no version; one that tells why for a
// version that cannot be read.
std::vector<std::string> UsbStartNotes(const WindowsVersion& version, const UsbStartValues& values,
                                       const std::string& set_command);

}  // namespace harnlode
