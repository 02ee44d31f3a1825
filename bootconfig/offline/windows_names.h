// Windows compares file, folder, key and drive names without regard to case.
#pragma once

#include <strings.h>

#include <string_view>

namespace harnlode {

inline bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace harnlode
