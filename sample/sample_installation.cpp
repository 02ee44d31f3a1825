#include "sample_installation.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "blank_hive.h"
#include "hive_builder.h"
#include "service_groups.h"
#include "usb_services.h"

namespace harnlode {
namespace {

namespace fs = std::filesystem;

struct Service {
  std::string_view name;
  std::uint32_t type;
  std::uint32_t start;
  std::uint32_t error_control;
  std::string_view group;       // "" for a service without a Group value
  std::string_view image_path;  // "" for one without an ImagePath value
  std::string_view display_name;
};

constexpr std::uint32_t kKernelDriver = 0x01;
constexpr std::uint32_t kFileSystemDriver = 0x02;
constexpr std::uint32_t kOwnProcess = 0x10;
constexpr std::uint32_t kShareProcess = 0x20;
constexpr std::uint32_t kInteractive = 0x100;

constexpr std::uint32_t kBootStart = 0;
constexpr std::uint32_t kSystemStart = 1;
constexpr std::uint32_t kAutoStart = 2;
constexpr std::uint32_t kDemandStart = 3;

constexpr std::uint32_t kErrorNormal = 1;
constexpr std::uint32_t kErrorCritical = 3;

// The services besides the USB ones.
constexpr Service kOtherServices[] = {
    {"ACPI", kKernelDriver, kBootStart, kErrorCritical, "Boot Bus Extender",
     "system32\\DRIVERS\\ACPI.sys", "ACPI Driver"},
    {"pci", kKernelDriver, kBootStart, kErrorCritical, "Boot Bus Extender",
     "system32\\DRIVERS\\pci.sys", "PCI Bus Driver"},
    {"volmgr", kKernelDriver, kBootStart, kErrorCritical, "System Bus Extender",
     "system32\\DRIVERS\\volmgr.sys", "Volume Manager Driver"},
    {"atapi", kKernelDriver, kBootStart, kErrorNormal, "SCSI miniport",
     "system32\\DRIVERS\\atapi.sys", "Standard IDE/ESDI Hard Disk Controller"},
    {"PartMgr", kKernelDriver, kBootStart, kErrorCritical, "Filter",
     "system32\\DRIVERS\\partmgr.sys", "Partition Manager"},
    {"disk", kKernelDriver, kBootStart, kErrorNormal, "SCSI Class", "system32\\DRIVERS\\disk.sys",
     "Disk Driver"},
    {"Cdrom", kKernelDriver, kSystemStart, kErrorNormal, "SCSI CDROM Class",
     "system32\\DRIVERS\\cdrom.sys", "CD-ROM Driver"},
    {"Ntfs", kFileSystemDriver, kDemandStart, kErrorNormal, "Boot File System", "", "Ntfs"},
    {"Fastfat", kFileSystemDriver, kDemandStart, kErrorNormal, "Boot File System", "", "Fastfat"},
    {"i8042prt", kKernelDriver, kSystemStart, kErrorNormal, "Keyboard Port",
     "system32\\DRIVERS\\i8042prt.sys", "i8042 Keyboard and PS/2 Mouse Port Driver"},
    {"kbdclass", kKernelDriver, kSystemStart, kErrorNormal, "Keyboard Class",
     "system32\\DRIVERS\\kbdclass.sys", "Keyboard Class Driver"},
    {"mouclass", kKernelDriver, kSystemStart, kErrorNormal, "Pointer Class",
     "system32\\DRIVERS\\mouclass.sys", "Mouse Class Driver"},
    {"Tcpip", kKernelDriver, kSystemStart, kErrorNormal, "PNP_TDI", "system32\\DRIVERS\\tcpip.sys",
     "TCP/IP Protocol Driver"},
    {"Eventlog", kShareProcess, kAutoStart, kErrorNormal, "Event Log",
     "%SystemRoot%\\system32\\services.exe", "Event Log"},
    {"PlugPlay", kShareProcess, kAutoStart, kErrorNormal, "PlugPlay",
     "%SystemRoot%\\system32\\services.exe", "Plug and Play"},
    {"Dhcp", kShareProcess, kAutoStart, kErrorNormal, "TDI",
     "%SystemRoot%\\System32\\svchost.exe -k netsvcs", "DHCP Client"},
    {"Spooler", kOwnProcess | kInteractive, kAutoStart, kErrorNormal, "SpoolerGroup",
     "%SystemRoot%\\system32\\spoolsv.exe", "Print Spooler"},
};

constexpr std::string_view kDriverFolder = "system32\\DRIVERS\\";

// The USB services first, then the others.
std::vector<Service> SampleServices() {
  std::vector<Service> services;
  for (const FreshUsbService& usb : kFreshUsbServices) {
    services.push_back({usb.name, kKernelDriver, kDemandStart, kErrorNormal, usb.group,
                        usb.image_path, usb.display_name});
  }
  services.insert(services.end(), std::begin(kOtherServices), std::end(kOtherServices));
  return services;
}

void AddService(HiveBuilder& hive, const std::string& services, const Service& service) {
  const std::string key = services + "\\" + std::string(service.name);
  hive.SetDword(key, "Type", service.type);
  hive.SetDword(key, "Start", service.start);
  hive.SetDword(key, "ErrorControl", service.error_control);
  if (!service.group.empty()) hive.SetText(key, "Group", service.group);
  if (!service.image_path.empty()) hive.SetExpandText(key, "ImagePath", service.image_path);
  hive.SetText(key, "DisplayName", service.display_name);
  if (service.type & (kShareProcess | kOwnProcess)) hive.SetText(key, "ObjectName", "LocalSystem");
}

void AddControlSet(HiveBuilder& hive, const std::string& set) {
  const std::string control = set + "\\Control";
  hive.SetText(control, "SystemBootDevice", "multi(0)disk(0)rdisk(0)partition(1)");
  hive.SetText(control, "WaitToKillServiceTimeout", "20000");
  hive.SetMultiText(control + "\\ServiceGroupOrder", "List", kServiceGroupOrder);
  hive.SetText(control + "\\ComputerName\\ComputerName", "ComputerName", "SAMPLE-PC");
  hive.SetMultiText(control + "\\Session Manager", "BootExecute", {"autocheck autochk *"});
  hive.SetText(control + "\\Session Manager\\Environment", "OS", "Windows_NT");
  hive.SetExpandText(control + "\\Session Manager\\Environment", "windir", "%SystemRoot%");

  hive.AddKey(set + "\\Enum\\Root");
  hive.AddKey(set + "\\Enum\\PCI");
  hive.AddKey(set + "\\Hardware Profiles\\0001");

  for (const Service& service : SampleServices()) AddService(hive, set + "\\Services", service);
}

void WriteSystemHive(const fs::path& file) {
  HiveBuilder hive(file);
  hive.SetDword("Select", "Current", 1);
  hive.SetDword("Select", "Default", 1);
  hive.SetDword("Select", "Failed", 0);
  hive.SetDword("Select", "LastKnownGood", 2);

  // Drive c: is the first partition of a disk with this signature, at sector 63.
  const std::vector<std::uint8_t> drive_c = {0x01, 0xE0, 0x17, 0x5A, 0x00, 0x7E,
                                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  hive.SetValue("MountedDevices", "\\DosDevices\\C:", kRegBinary, drive_c);

  hive.SetDword("Setup", "SystemSetupInProgress", 0);
  hive.SetDword("Setup", "SetupType", 0);
  hive.SetText("Setup", "SystemPartition", "\\Device\\HarddiskVolume1");
  hive.SetText("Setup", "OsLoaderPath", "\\");

  AddControlSet(hive, "ControlSet001");
  AddControlSet(hive, "ControlSet002");
  hive.Commit();
}

void WritePlaceholder(const fs::path& file) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << "Harnlode sample installation: placeholder for " << file.filename().string()
      << ", not a real program file.\n";
  out.close();
  if (!out) throw std::runtime_error("Cannot write the file " + file.string());
}

void FillWindowsFolder(const fs::path& windows,
                       const std::function<void(const fs::path&)>& write_system_hive) {
  const fs::path system32 = windows / "System32";
  fs::create_directories(system32 / "config");
  fs::create_directories(system32 / "drivers");
  fs::create_directories(windows / "Temp");
  fs::create_directories(windows / "inf");

  write_system_hive(system32 / "config" / "SYSTEM");
  WriteBlankHive(system32 / "config" / "SOFTWARE");

  for (const Service& service : SampleServices()) {
    if (service.image_path.starts_with(kDriverFolder)) {
      WritePlaceholder(system32 / "drivers" / service.image_path.substr(kDriverFolder.size()));
    }
  }
  WritePlaceholder(system32 / "ntoskrnl.exe");
  WritePlaceholder(system32 / "hal.dll");
}

bool IsWindowsName(const fs::path& name) {
  std::string text = name.string();
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text == "windows";
}

[[noreturn]] void RefuseExisting(const fs::path& folder) {
  throw std::runtime_error("The folder " + folder.string() +
                           " already holds a Windows folder; the sample installation is made "
                           "only where there is none, and nothing was changed");
}

}  // namespace

void MakeSampleInstallation(const fs::path& folder) { MakeInstallation(folder, WriteSystemHive); }

void MakeInstallation(const fs::path& folder,
                      const std::function<void(const fs::path&)>& write_system_hive) {
  if (fs::is_directory(folder)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      if (IsWindowsName(entry.path().filename())) RefuseExisting(folder);
    }
  }
  fs::create_directories(folder);
  const fs::path windows = folder / "Windows";
  if (!fs::create_directory(windows)) RefuseExisting(folder);

  // The Windows folder is ours from here on, so a failure may take it away whole.
  try {
    FillWindowsFolder(windows, write_system_hive);
  } catch (...) {
    std::error_code ignored;
    fs::remove_all(windows, ignored);
    throw;
  }
}

}  // namespace harnlode
