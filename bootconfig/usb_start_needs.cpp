#include "usb_start_needs.h"

#include <cstdio>

namespace harnlode {
namespace {

using Release = WindowsVersion::Release;

// Windows 8's USB 3 drivers, which are not among the check's services: they are loaded at boot
// only through their BootFlags, or when set to start at boot.
constexpr std::array<const char*, 3> kUsb3Services = {"USBXHCI", "USBHUB3", "UASPStor"};

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

bool IsUsb3Service(const std::string& name) {
  for (const char* service : kUsb3Services) {
    if (name == service) return true;
  }
  return false;
}

std::string ServicesNote(const std::string& control_set, const UsbStartValues& values) {
  std::vector<std::string> services;
  for (const ServiceBootValues& service : values.services) {
    services.push_back(service.name + " " + FlagsText(service.boot_flags) + " (Start " +
                       (service.start ? std::to_string(*service.start) : "missing") + ")");
  }
  if (services.empty()) return "";
  return "BootFlags of the USB services in " + control_set + ": " + Joined(services, ", ") + ".";
}

}  // namespace

std::uint32_t WantedBootDriverFlags(const WindowsVersion& version) {
  if (version.AtLeast(Release::k8)) return kUsbBootFlags | kUsb3BootFlags;
  if (version.AtLeast(Release::k7)) return kUsbBootFlags;
  return 0;
}

std::optional<std::uint32_t> WithFlags(std::optional<std::uint32_t> value, std::uint32_t wanted) {
  if ((value.value_or(0) & wanted) == wanted) return std::nullopt;
  return value.value_or(0) | wanted;
}

std::optional<std::uint32_t> WithBootDiskWait(std::optional<std::uint32_t> wait) {
  if (wait.value_or(0) >= kUsbBootDiskWait) return std::nullopt;
  return kUsbBootDiskWait;
}

std::optional<std::string> ControlSetName(std::optional<std::uint32_t> number) {
  if (!number || *number < 1 || *number > 999) return std::nullopt;
  char name[16];
  std::snprintf(name, sizeof name, "ControlSet%03u", *number);
  return name;
}

std::string MachineKey(const std::string& machine) { return "HardwareConfig\\" + machine; }

std::string FlagsText(std::optional<std::uint32_t> value) {
  return value ? Hex(*value) : "missing";
}

std::vector<std::string> UsbStartNotes(const WindowsVersion& version, const UsbStartValues& values,
                                       const std::string& set_command) {
  if (version.release == Release::kUnknown) {
    return {
        "Which Windows this is cannot be told, so what Windows 7 and later need beyond the "
        "services' values was not checked. " +
        version.problem};
  }
  const std::uint32_t wanted = WantedBootDriverFlags(version);
  if (wanted == 0) return {};

  const std::string name = version.Name();
  const std::optional<std::string> control_set = ControlSetName(values.current_control_set);
  std::vector<std::string> read;        // the values, as "KEY\NAME VALUE"
  std::vector<std::string> settable;    // what is missing that the option sets
  std::vector<std::string> unsettable;  // what is missing that it does not
  if (!control_set) {
    read.push_back("Select\\Current " + FlagsText(values.current_control_set) +
                   " names no control set");
  } else {
    const std::string flags =
        *control_set + "\\Control\\" + kBootDriverFlagsName + " " + FlagsText(values.control_flags);
    read.push_back(flags);
    if (WithFlags(values.control_flags, wanted)) {
      settable.push_back(flags + " lacks " + Hex(wanted & ~values.control_flags.value_or(0)));
    }
  }
  if (version.AtLeast(Release::k8)) {
    if (values.machine && values.machine_key) {
      const std::string flags = MachineKey(*values.machine) + "\\" + kBootDriverFlagsName + " " +
                                FlagsText(values.machine_flags);
      read.push_back(flags);
      if (WithFlags(values.machine_flags, wanted)) {
        settable.push_back(flags + " lacks " + Hex(wanted & ~values.machine_flags.value_or(0)));
      }
    } else {
      read.push_back("HardwareConfig holds no machine that started this Windows");
    }
    for (const ServiceBootValues& service : values.services) {
      if (IsUsb3Service(service.name) && service.start != 0u &&
          (service.boot_flags.value_or(0) & wanted) == 0) {
        unsettable.push_back(service.name + " is not loaded at boot (BootFlags " +
                             FlagsText(service.boot_flags) + ")");
      }
    }
  } else if (control_set) {
    const std::string wait =
        *control_set + "\\Control\\PnP\\" + kBootDiskWaitName + " " +
        (values.boot_disk_wait ? std::to_string(*values.boot_disk_wait) : std::string("missing"));
    read.push_back(wait);
    if (WithBootDiskWait(values.boot_disk_wait)) {
      settable.push_back(wait + " is below " + std::to_string(kUsbBootDiskWait));
    }
  }

  std::vector<std::string> notes;
  std::string needs = name + " also needs the USB " + (wanted == kUsbBootFlags ? "bit " : "bits ") +
                      Hex(wanted) + " in " + kBootDriverFlagsName;
  if (!version.AtLeast(Release::k8)) {
    needs += " and a wait for its boot disk (" + std::string(kBootDiskWaitName) + ") of " +
             std::to_string(kUsbBootDiskWait) + " ms or more";
  }
  notes.push_back(needs + ": " + Joined(read, ", ") + ".");
  if (!version.AtLeast(Release::k8)) {
    notes.back() += " It has no USB 3 driver of its own, so it starts from USB 2 ports only.";
  }
  if (control_set) {
    if (std::string services = ServicesNote(*control_set, values); !services.empty()) {
      notes.push_back(std::move(services));
    }
  }

  if (settable.empty() && unsettable.empty()) {
    notes.push_back("The registry holds what " + name + " needs to start from USB.");
    return notes;
  }
  std::string missing = "Missing for a USB start: " + Joined(settable, "; ");
  if (!settable.empty()) {
    missing +=
        std::string("; to set ") + (settable.size() == 1 ? "it" : "them") + ", run " + set_command;
  }
  if (!unsettable.empty()) {
    missing += (settable.empty() ? "" : "; ") + Joined(unsettable, "; ") +
               ", which Windows sets when it installs the driver and Harnlode leaves alone";
  }
  notes.push_back(missing + ".");
  return notes;
}

}  // namespace harnlode
