// The USB driver services that the check examines, as a fresh installation leaves them: kernel
// drivers started on demand, so that they are not loaded early enough to start from a USB disk
// and every value the check looks at differs from a tuned one.
#pragma once

#include <array>
#include <string_view>

namespace harnlode {

struct FreshUsbService {
  std::string_view name;   // the key's name, as Windows spells it
  std::string_view group;  // "" for a service without a Group value
  std::string_view image_path;
  std::string_view display_name;
};

inline constexpr std::array<FreshUsbService, 6> kFreshUsbServices = {{
    {"usbccgp", "Base", "system32\\DRIVERS\\usbccgp.sys", "USB Common Class Generic Parent Driver"},
    {"usbehci", "Base", "system32\\DRIVERS\\usbehci.sys",
     "Enhanced Host Controller Miniport Driver"},
    {"usbhub", "Base", "system32\\DRIVERS\\usbhub.sys", "USB Hub Driver"},
    {"usbohci", "Base", "system32\\DRIVERS\\usbohci.sys", "Open Host Controller Miniport Driver"},
    {"usbuhci", "Base", "system32\\DRIVERS\\usbuhci.sys",
     "Universal Host Controller Miniport Driver"},
    {"USBSTOR", "", "system32\\DRIVERS\\USBSTOR.SYS", "USB Mass Storage Driver"},
}};

}  // namespace harnlode
