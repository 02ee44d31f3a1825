// harnlode-make-sample [--size-mib N] FOLDER: makes a Windows-like installation to try Harnlode on.
#include <charconv>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>

#include "sample_installation.h"
#include "system_hive_generator.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: harnlode-make-sample [--size-mib N] FOLDER\n"
    "Makes a small Windows installation in FOLDER (created if missing): a SYSTEM registry hive\n"
    "with the USB services as a fresh installation has them, and placeholder driver files.\n"
    "FOLDER must not already hold a Windows folder.\n"
    "\n"
    "  --size-mib N  make a SYSTEM hive of about N MiB, with three control sets of some 400\n"
    "                services each and hardware entries, as large hives of real systems have\n";

constexpr std::uint64_t kMostMib = 1024;

int Usage(std::string_view problem) {
  std::cerr << "harnlode-make-sample: " << problem << '\n' << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::uint64_t> size_mib;
  std::optional<std::filesystem::path> folder;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--size-mib") {
      if (++i == argc) return Usage("--size-mib needs a number of MiB");
      const std::string_view number = argv[i];
      std::uint64_t mib = 0;
      const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), mib);
      if (error != std::errc() || end != number.data() + number.size() || mib == 0 ||
          mib > kMostMib) {
        return Usage("--size-mib needs a whole number of MiB from 1 to 1024");
      }
      size_mib = mib;
    } else if (arg.empty() || arg.starts_with("-") || folder) {
      return Usage("expected one FOLDER");
    } else {
      folder = arg;
    }
  }
  if (!folder) return Usage("expected one FOLDER");
  try {
    if (size_mib) {
      harnlode::MakeGeneratedInstallation(*folder, *size_mib << 20);
    } else {
      harnlode::MakeSampleInstallation(*folder);
    }
  } catch (const std::exception& error) {
    std::cerr << "harnlode-make-sample: " << error.what() << '\n';
    return 2;
  }
  std::cout << "Made a sample Windows installation in " << folder->string() << '\n';
  return 0;
}
