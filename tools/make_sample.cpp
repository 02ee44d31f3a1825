// harnlode-make-sample FOLDER: makes a small Windows-like installation to try Harnlode on.
#include <exception>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "sample_installation.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: harnlode-make-sample FOLDER\n"
    "Makes a small Windows installation in FOLDER (created if missing): a SYSTEM registry hive\n"
    "with the USB services as a fresh installation has them, and placeholder driver files.\n"
    "FOLDER must not already hold a Windows folder.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  if (argc != 2 || std::string_view(argv[1]).empty() ||
      std::string_view(argv[1]).starts_with("-")) {
    std::cerr << "harnlode-make-sample: expected one FOLDER\n" << kUsage;
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  try {
    harnlode::MakeSampleInstallation(folder);
  } catch (const std::exception& error) {
    std::cerr << "harnlode-make-sample: " << error.what() << '\n';
    return 2;
  }
  std::cout << "Made a sample Windows installation in " << folder.string() << '\n';
  return 0;
}
