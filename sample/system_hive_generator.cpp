#include "system_hive_generator.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "hive_builder.h"
#include "sample_installation.h"
#include "service_groups.h"
#include "usb_services.h"

namespace harnlode {
namespace {

namespace fs = std::filesystem;
using Node = HiveBuilder::Node;
using Values = std::vector<NamedValue>;

constexpr std::uint32_t kRegResourceList = 8;
constexpr std::uint32_t kRegResourceRequirementsList = 10;

constexpr std::array<std::string_view, 3> kControlSets = {"ControlSet001", "ControlSet002",
                                                          "ControlSet003"};
constexpr int kServicesPerControlSet = 400;

// Fan-outs stay moderate: hivex copies a key's whole subkey list to a new place for every subkey
// added, so a key with n subkeys leaves some 4 n^2 bytes of unused space behind.
constexpr int kMostInstancesPerHardware = 12;

constexpr std::array<std::string_view, 20> kBuses = {
    "ACPI", "ACPI_HAL", "BTH",  "BTHENUM", "DISPLAY", "HDAUDIO", "HID", "HTREE", "IDE", "MONITOR",
    "PCI",  "PCIIDE",   "ROOT", "SCSI",    "STORAGE", "SW",      "SWD", "UMB",   "USB", "SD"};

constexpr std::array<std::string_view, 40> kDeviceClasses = {"System",
                                                             "USB",
                                                             "HIDClass",
                                                             "DiskDrive",
                                                             "Volume",
                                                             "Net",
                                                             "Display",
                                                             "Media",
                                                             "Monitor",
                                                             "Keyboard",
                                                             "Mouse",
                                                             "Ports",
                                                             "Processor",
                                                             "SCSIAdapter",
                                                             "hdc",
                                                             "Bluetooth",
                                                             "Image",
                                                             "Printer",
                                                             "SmartCardReader",
                                                             "SoftwareDevice",
                                                             "Battery",
                                                             "Computer",
                                                             "Biometric",
                                                             "Camera",
                                                             "AudioEndpoint",
                                                             "Firmware",
                                                             "SecurityDevices",
                                                             "Sensor",
                                                             "WPD",
                                                             "Extension",
                                                             "CDROM",
                                                             "FloppyDisk",
                                                             "MTD",
                                                             "MultiFunction",
                                                             "NetService",
                                                             "NetTrans",
                                                             "PrintQueue",
                                                             "SoftwareComponent",
                                                             "VolumeSnapshot",
                                                             "Infrared"};

constexpr std::array<std::string_view, 28> kNamePrefixes = {
    "Net",   "Usb",  "Hid", "Ms",   "Wd",     "Vm",  "Intel", "Amd",  "Stor", "Bth",
    "Wmi",   "Acpi", "Pci", "Sens", "Rdp",    "Tcp", "Ndis",  "Wpd",  "Dxg",  "Wlan",
    "Audio", "Disk", "Kbd", "Mou",  "Serial", "Fs",  "Vol",   "Smart"};
constexpr std::array<std::string_view, 24> kNameSuffixes = {
    "ppm", "bus", "filter", "flt", "svc", "mp",  "port", "class", "enum", "hub", "drv", "mgr",
    "vsc", "pd",  "srv",    "io",  "lib", "kmd", "sys",  "host",  "cfg",  "mon", "ctl", "ext"};

// A portable random source: std::mt19937's sequence is fixed by the standard, its distributions
// are not, so only its raw output is used.
class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  std::uint32_t Below(std::uint32_t bound) { return engine_() % bound; }
  bool Percent(std::uint32_t percent) { return Below(100) < percent; }
  template <typename List>
  auto Pick(const List& list) {
    return list[Below(static_cast<std::uint32_t>(list.size()))];
  }
  std::string Hex(int digits) {
    std::string text;
    for (int i = 0; i < digits; ++i) text += "0123456789ABCDEF"[Below(16)];
    return text;
  }
  std::string Guid() {
    return "{" + Hex(8) + "-" + Hex(4) + "-" + Hex(4) + "-" + Hex(4) + "-" + Hex(12) + "}";
  }
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(engine_());
    return bytes;
  }

 private:
  std::mt19937 engine_;
};

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string Numbered(int number, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", digits, number);
  return text;
}

NamedValue Text(std::string name, std::string_view text) {
  return {std::move(name), kRegSz, TextData(text)};
}
NamedValue ExpandText(std::string name, std::string_view text) {
  return {std::move(name), kRegExpandSz, TextData(text)};
}
NamedValue MultiText(std::string name, const std::vector<std::string>& texts) {
  return {std::move(name), kRegMultiSz, MultiTextData(texts)};
}
NamedValue Dword(std::string name, std::uint32_t number) {
  return {std::move(name), kRegDword, DwordData(number)};
}
NamedValue Binary(std::string name, std::vector<std::uint8_t> data,
                  std::uint32_t type = kRegBinary) {
  return {std::move(name), type, std::move(data)};
}

// A key with its values and subkeys, written in one go.
struct KeySpec {
  std::string name;
  Values values;
  std::vector<KeySpec> subkeys;
};

Node WriteKey(HiveBuilder& hive, Node parent, const KeySpec& key) {
  const Node node = hive.AddChild(parent, key.name);
  if (!key.values.empty()) hive.SetValues(node, key.values);
  for (const KeySpec& subkey : key.subkeys) WriteKey(hive, node, subkey);
  return node;
}

KeySpec UsbServiceKey(const FreshUsbService& service) {
  KeySpec key{std::string(service.name), {}, {}};
  key.values = {Dword("Type", 1), Dword("Start", 3), Dword("ErrorControl", 1)};
  if (!service.group.empty()) key.values.push_back(Text("Group", service.group));
  key.values.push_back(ExpandText("ImagePath", service.image_path));
  key.values.push_back(Text("DisplayName", service.display_name));
  key.values.push_back(MultiText("Owners", {Lowercase(service.name) + ".inf"}));
  key.subkeys.push_back({"Enum", {Dword("Count", 0), Dword("NextInstance", 0)}, {}});
  return key;
}

KeySpec OtherServiceKey(Random& random, const std::string& name) {
  KeySpec key{name, {}, {}};
  const bool driver = random.Percent(70);
  const std::string image = driver ? "System32\\drivers\\" + Lowercase(name) + ".sys"
                                   : "%SystemRoot%\\System32\\svchost.exe -k " + name + "Group";
  key.values = {Dword("Type", driver ? 1 : 0x20), Dword("Start", random.Below(5)),
                Dword("ErrorControl", random.Below(4))};
  if (random.Percent(60)) key.values.push_back(Text("Group", random.Pick(kServiceGroupOrder)));
  key.values.push_back(ExpandText("ImagePath", image));
  key.values.push_back(
      Text("DisplayName", "@" + Lowercase(name) + ".inf,%" + name + "_Desc%;" + name + " Service"));
  if (random.Percent(50)) {
    key.values.push_back(Text("Description", "@%SystemRoot%\\system32\\" + Lowercase(name) +
                                                 ".dll,-" +
                                                 std::to_string(100 + random.Below(900))));
  }
  if (random.Percent(40)) key.values.push_back(Dword("Tag", 1 + random.Below(40)));
  if (random.Percent(40)) key.values.push_back(MultiText("Owners", {Lowercase(name) + ".inf"}));
  if (!driver) {
    key.values.push_back(Text("ObjectName", "LocalSystem"));
    key.values.push_back(MultiText(
        "RequiredPrivileges",
        {"SeChangeNotifyPrivilege", "SeCreateGlobalPrivilege", "SeImpersonatePrivilege"}));
    key.values.push_back(Binary("FailureActions", random.Bytes(20 + 8 * random.Below(4))));
  }
  if (random.Percent(50)) {
    KeySpec parameters{"Parameters", {}, {}};
    const std::uint32_t count = 1 + random.Below(6);
    for (std::uint32_t i = 0; i < count; ++i) {
      parameters.values.push_back(Dword("Setting" + std::to_string(i), random.Below(0x10000)));
    }
    if (!driver) {
      parameters.values.push_back(
          ExpandText("ServiceDll", "%SystemRoot%\\System32\\" + Lowercase(name) + ".dll"));
    }
    key.subkeys.push_back(std::move(parameters));
  }
  if (random.Percent(30)) {
    key.subkeys.push_back(
        {"Security", {Binary("Security", random.Bytes(140 + random.Below(60)))}, {}});
  }
  if (random.Percent(25)) {
    key.subkeys.push_back({"Enum",
                           {Text("0", "ROOT\\LEGACY_" + name + "\\0000"), Dword("Count", 1),
                            Dword("NextInstance", 1)},
                           {}});
  }
  return key;
}

// The services of every control set: the six USB ones and others named like real ones.
std::vector<KeySpec> Services(Random& random) {
  std::vector<KeySpec> services;
  std::set<std::string> taken;
  for (const FreshUsbService& service : kFreshUsbServices) {
    services.push_back(UsbServiceKey(service));
    taken.insert(Lowercase(service.name));
  }
  while (services.size() < kServicesPerControlSet) {
    std::string name =
        std::string(random.Pick(kNamePrefixes)) + std::string(random.Pick(kNameSuffixes));
    if (random.Percent(30)) name += std::to_string(random.Below(10));
    if (!taken.insert(Lowercase(name)).second) continue;
    services.push_back(OtherServiceKey(random, name));
  }
  return services;
}

KeySpec ControlKey(Random& random) {
  KeySpec control{"Control",
                  {Text("SystemBootDevice", "multi(0)disk(0)rdisk(0)partition(1)"),
                   Text("WaitToKillServiceTimeout", "20000"), Text("CurrentUser", "USERNAME"),
                   Text("SystemStartOptions", " NOEXECUTE=OPTIN"), Dword("BootDriverFlags", 0)},
                  {}};
  control.subkeys.push_back({"ServiceGroupOrder", {MultiText("List", kServiceGroupOrder)}, {}});
  KeySpec group_order{"GroupOrderList", {}, {}};
  for (const std::string& group : kServiceGroupOrder) {
    group_order.values.push_back(Binary(group, random.Bytes(4 + 4 * random.Below(16))));
  }
  control.subkeys.push_back(std::move(group_order));
  control.subkeys.push_back({"ComputerName",
                             {},
                             {{"ComputerName", {Text("ComputerName", "BENCH-PC")}, {}},
                              {"ActiveComputerName", {Text("ComputerName", "BENCH-PC")}, {}}}});
  control.subkeys.push_back(
      {"Session Manager",
       {MultiText("BootExecute", {"autocheck autochk *"}), Dword("ProtectionMode", 1)},
       {{"Environment",
         {Text("OS", "Windows_NT"), ExpandText("windir", "%SystemRoot%"),
          ExpandText("Path", "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem"),
          Text("NUMBER_OF_PROCESSORS", "2")},
         {}},
        {"Memory Management",
         {MultiText("PagingFiles", {"?:\\pagefile.sys"}), Dword("ClearPageFileAtShutdown", 0)},
         {}}}});
  KeySpec code_pages{"CodePage", {}, {}};
  for (int page = 37; page < 37 + 120; ++page) {
    code_pages.values.push_back(Text(std::to_string(page), "c_" + Numbered(page, 3) + ".nls"));
  }
  control.subkeys.push_back({"Nls", {}, {std::move(code_pages)}});
  return control;
}

// One kind of hardware and its installed instances, with what each leaves in Enum, Class and
// DeviceClasses.
struct Device {
  KeySpec instance;
  std::size_t device_class = 0;
  std::optional<Values> driver;  // the instance's key in Control\Class, when it has one
  std::optional<std::pair<std::size_t, std::string>> interface;  // index and reference name
};
struct Hardware {
  std::string_view bus;
  std::string id;
  std::vector<Device> devices;
};

class DeviceMaker {
 public:
  explicit DeviceMaker(Random& random) : random_(random) {
    for (std::size_t i = 0; i < kDeviceClasses.size(); ++i) {
      class_guids_.push_back("{4D36E9" + Numbered(static_cast<int>(i) + 60, 2) +
                             "-E325-11CE-BFC1-08002BE10318}");
    }
    for (int i = 0; i < 40; ++i) interface_guids_.push_back(random_.Guid());
    for (int i = 0; i < 60; ++i)
      services_.push_back(std::string(random_.Pick(kNamePrefixes)) + "drv");
  }

  const std::vector<std::string>& ClassGuids() const { return class_guids_; }
  const std::vector<std::string>& InterfaceGuids() const { return interface_guids_; }

  Hardware Next() {
    Hardware hardware;
    hardware.bus = random_.Pick(kBuses);
    hardware.id = "VEN_" + random_.Hex(4) + "&DEV_" + random_.Hex(4) + "&SUBSYS_" + random_.Hex(8) +
                  "&REV_" + random_.Hex(2);
    const std::uint32_t count = 1 + random_.Below(kMostInstancesPerHardware);
    const std::string prefix =
        std::to_string(random_.Below(8)) + "&" + Lowercase(random_.Hex(8)) + "&0&";
    for (std::uint32_t i = 0; i < count; ++i) {
      hardware.devices.push_back(MakeDevice(hardware, prefix + Numbered(static_cast<int>(i), 2)));
    }
    return hardware;
  }

 private:
  Device MakeDevice(const Hardware& hardware, const std::string& instance) {
    Device device;
    device.device_class = random_.Below(static_cast<std::uint32_t>(kDeviceClasses.size()));
    const std::string class_name(kDeviceClasses[device.device_class]);
    const std::string& class_guid = class_guids_[device.device_class];
    const std::string bus(hardware.bus);
    const std::string inf = "oem" + std::to_string(random_.Below(200)) + ".inf";
    const std::string description = class_name + " device " + random_.Hex(4);
    const std::string id = bus + "\\" + hardware.id;

    Values& values = device.instance.values;
    device.instance.name = instance;
    values = {Text("DeviceDesc",
                   "@" + inf + ",%" + Lowercase(class_name) + ".devicedesc%;" + description),
              Dword("Capabilities", random_.Below(0x400)),
              MultiText("HardwareID", {id, id.substr(0, id.rfind('&')), bus + "\\" + class_name}),
              MultiText("CompatibleIDs",
                        {bus + "\\CC_" + random_.Hex(6), bus + "\\CC_" + random_.Hex(4)}),
              Text("ContainerID", random_.Guid()),
              Dword("ConfigFlags", 0),
              Text("ClassGUID", class_guid),
              Text("Class", class_name),
              Text("Mfg", "@" + inf + ",%mfgname%;Maker " + random_.Hex(3)),
              Text("Service", random_.Pick(services_))};
    if (random_.Percent(50)) {
      values.push_back(
          Text("LocationInformation", "PCI bus " + std::to_string(random_.Below(8)) + ", device " +
                                          std::to_string(random_.Below(32)) + ", function " +
                                          std::to_string(random_.Below(8))));
    }
    if (random_.Percent(30)) values.push_back(Text("FriendlyName", description));
    if (random_.Percent(40)) {
      device.driver = Values{
          Text("DriverDesc", description),
          Text("ProviderName", "Maker " + random_.Hex(3)),
          Binary("DriverDateData", random_.Bytes(8)),
          Text("DriverDate", "6-21-2006"),
          Text("DriverVersion", "10.0." + std::to_string(10000 + random_.Below(10000)) + ".1"),
          Text("MatchingDeviceId", Lowercase(id)),
          Text("InfPath", inf),
          Text("InfSection", class_name + "_Inst")};
      if (random_.Percent(25))
        device.driver->push_back(Binary("Settings", random_.Bytes(256 + random_.Below(1792))));
    }
    if (random_.Percent(30)) {
      device.interface = std::pair{static_cast<std::size_t>(random_.Below(
                                       static_cast<std::uint32_t>(interface_guids_.size()))),
                                   "##?#" + bus + "#" + hardware.id + "#" + instance + "#"};
    }
    device.instance.subkeys.push_back(
        {"Device Parameters",
         {Text("SymbolicName", "\\??\\" + bus + "#" + hardware.id + "#" + instance),
          Dword("EnhancedPowerManagementEnabled", random_.Below(2)),
          Binary("SelectiveSuspendEnabled", {static_cast<std::uint8_t>(random_.Below(2))})},
         {}});
    device.instance.subkeys.push_back(
        {"LogConf",
         {Binary("BasicConfigVector", random_.Bytes(200 + 8 * random_.Below(128)),
                 kRegResourceRequirementsList),
          Binary("BootConfig", random_.Bytes(60 + 8 * random_.Below(40)), kRegResourceList)},
         {}});
    return device;
  }

  Random& random_;
  std::vector<std::string> class_guids_;
  std::vector<std::string> interface_guids_;
  std::vector<std::string> services_;
};

// Writes hardware into one control set, keeping the keys that receive it at hand.
class ControlSetWriter {
 public:
  ControlSetWriter(HiveBuilder& hive, Node enum_key, Node class_key, Node interfaces_key)
      : hive_(hive), enum_(enum_key), class_(class_key), interfaces_(interfaces_key) {}

  void Write(const Hardware& hardware, const DeviceMaker& maker) {
    const Node hardware_key =
        hive_.AddChild(Child(buses_, enum_, std::string(hardware.bus)), hardware.id);
    for (const Device& device : hardware.devices) {
      WriteKey(hive_, hardware_key, device.instance);
      if (device.driver) {
        const std::string& guid = maker.ClassGuids()[device.device_class];
        const Node class_key = Child(classes_, class_, guid);
        hive_.SetValues(hive_.AddChild(class_key, Numbered(next_driver_[guid]++, 4)),
                        *device.driver);
      }
      if (device.interface) {
        const std::string& guid = maker.InterfaceGuids()[device.interface->first];
        const Node interface_key = Child(interface_keys_, interfaces_, guid);
        const Node link = hive_.AddChild(interface_key, device.interface->second + guid);
        hive_.SetValues(link, std::vector{Text("DeviceInstance", std::string(hardware.bus) + "\\" +
                                                                     hardware.id + "\\" +
                                                                     device.instance.name)});
        hive_.SetValues(
            hive_.AddChild(link, "#"),
            std::vector{Text("SymbolicLink", "\\\\?\\" + device.interface->second + guid)});
      }
    }
  }

 private:
  Node Child(std::map<std::string, Node>& known, Node parent, const std::string& name) {
    const auto found = known.find(name);
    if (found != known.end()) return found->second;
    return known[name] = hive_.AddChild(parent, name);
  }

  HiveBuilder& hive_;
  Node enum_;
  Node class_;
  Node interfaces_;
  std::map<std::string, Node> buses_;
  std::map<std::string, Node> classes_;
  std::map<std::string, Node> interface_keys_;
  std::map<std::string, int> next_driver_;
};

}  // namespace

void GenerateSystemHive(const fs::path& hive_file, std::uint64_t approximate_bytes,
                        std::uint32_t seed) {
  Random random(seed);
  HiveBuilder hive(hive_file);
  const Node root = hive.Root();
  WriteKey(
      hive, root,
      {"Select",
       {Dword("Current", 1), Dword("Default", 1), Dword("Failed", 0), Dword("LastKnownGood", 2)},
       {}});
  KeySpec mounted{"MountedDevices", {}, {}};
  mounted.values.push_back(Binary("\\DosDevices\\C:", random.Bytes(12)));
  for (int i = 0; i < 24; ++i) {
    mounted.values.push_back(
        Binary("\\??\\Volume" + random.Guid(), random.Bytes(12 + 8 * random.Below(20))));
  }
  WriteKey(hive, root, mounted);
  WriteKey(hive, root,
           {"Setup",
            {Dword("SystemSetupInProgress", 0), Dword("SetupType", 0),
             Text("SystemPartition", "\\Device\\HarddiskVolume1"), Text("OsLoaderPath", "\\")},
            {}});

  const std::vector<KeySpec> services = Services(random);
  const KeySpec control = ControlKey(random);
  std::vector<ControlSetWriter> writers;
  for (std::string_view name : kControlSets) {
    const Node set = hive.AddChild(root, name);
    const Node control_key = WriteKey(hive, set, control);
    const Node class_key = hive.AddChild(control_key, "Class");
    const Node interfaces_key = hive.AddChild(control_key, "DeviceClasses");
    writers.emplace_back(hive, hive.AddChild(set, "Enum"), class_key, interfaces_key);
    WriteKey(hive, set, {"Hardware Profiles", {}, {{"0001", {}, {}}}});
    const Node services_key = hive.AddChild(set, "Services");
    for (const KeySpec& service : services) WriteKey(hive, services_key, service);
  }
  hive.Commit();

  // Hardware fills the rest. Its size per piece is measured on the file as it grows, since
  // hivex's layout decides it; a few rounds come close to the size asked for.
  const std::uint64_t fixed_size = fs::file_size(hive_file);
  const std::uint64_t wanted = approximate_bytes / 100 * 98;
  std::uint64_t size = fixed_size;
  std::uint64_t hardware_written = 0;
  std::uint64_t batch = 16;
  DeviceMaker maker(random);
  for (int round = 0; round < 10 && size < wanted; ++round) {
    for (std::uint64_t i = 0; i < batch; ++i) {
      const Hardware hardware = maker.Next();
      for (ControlSetWriter& writer : writers) writer.Write(hardware, maker);
    }
    hardware_written += batch;
    hive.Commit();
    size = fs::file_size(hive_file);
    const std::uint64_t per_hardware =
        std::max<std::uint64_t>(1, (size - fixed_size) / hardware_written);
    batch = size < wanted ? std::max<std::uint64_t>(1, (wanted - size) / per_hardware) : 0;
  }
}

void MakeGeneratedInstallation(const fs::path& folder, std::uint64_t approximate_bytes,
                               std::uint32_t seed) {
  MakeInstallation(
      folder, [&](const fs::path& hive) { GenerateSystemHive(hive, approximate_bytes, seed); });
}

}  // namespace harnlode
