// hivex-floor read|tune|read-dirty|tune-dirty WINDOWS_FOLDER: the work of one run done with hivex
// alone, timed as a whole process against harnlode-check on the same installation; the dirty
// modes first bring the hive up to date from its logs in memory.
#include <exception>
#include <iostream>
#include <map>
#include <string_view>

#include "hivex_floor.h"

int main(int argc, char** argv) {
  using namespace harnlode::bench;
  const std::map<std::string_view, int (*)(const std::filesystem::path&)> modes = {
      {"read", ReadWithHivex},
      {"tune", TuneWithHivex},
      {"read-dirty", ReadDirtyWithHivex},
      {"tune-dirty", TuneDirtyWithHivex}};
  if (argc != 3 || !modes.contains(argv[1])) {
    std::cerr << "Usage: hivex-floor read|tune|read-dirty|tune-dirty WINDOWS_FOLDER\n";
    return 2;
  }
  try {
    const int values = modes.at(argv[1])(SystemHiveOf(argv[2]));
    std::cout << values << " values\n";
  } catch (const std::exception& failure) {
    std::cerr << "hivex-floor: " << failure.what() << '\n';
    return 2;
  }
  return 0;
}
