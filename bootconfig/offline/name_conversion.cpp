#include "offline/name_conversion.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "installation_error.h"
#include "offline/file_descriptor.h"

namespace harnlode {
namespace {

// The file that could not be read, and why; "" when each of them can be.
std::string UnreadableModule(const char* module) {
  // The modules lie in a folder beside the C library itself.
  Dl_info library{};
  if (::dladdr(reinterpret_cast<void*>(&::iconv_open), &library) == 0 ||
      library.dli_fname == nullptr) {
    return "";
  }
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::weakly_canonical(
      std::filesystem::path(library.dli_fname).parent_path() / "gconv", error);
  for (const std::filesystem::path& file : {folder / "gconv-modules.cache", folder / module}) {
    std::array<std::uint8_t, 1> byte{};
    const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0 ? errno != ENOENT : ReadAt(fd.get(), byte, 0) < 0) {
      return ": its file " + Quoted(file) + " cannot be read (" + std::strerror(errno) + ")";
    }
  }
  return "";
}

}  // namespace

std::string NameConversionProblem() {
  for (const auto& [from, module] :
       {std::pair{"LATIN1", "ISO8859-1.so"}, std::pair{"UTF-16LE", "UTF-16.so"}}) {
    const iconv_t conversion = ::iconv_open("UTF-8", from);
    if (conversion != reinterpret_cast<iconv_t>(-1)) {
      ::iconv_close(conversion);
      continue;
    }
    return std::string("the C library cannot convert names from ") + from +
           UnreadableModule(module);
  }
  return "";
}

}  // namespace harnlode
