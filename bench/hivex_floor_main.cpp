// hivex-floor read|tune WINDOWS_FOLDER: the work of one run done with hivex alone, timed as a whole
// process against harnlode-check on the same installation.
#include <exception>
#include <iostream>
#include <string_view>

#include "hivex_floor.h"

int main(int argc, char** argv) {
  using namespace harnlode::bench;
  if (argc != 3 || (std::string_view(argv[1]) != "read" && std::string_view(argv[1]) != "tune")) {
    std::cerr << "Usage: hivex-floor read|tune WINDOWS_FOLDER\n";
    return 2;
  }
  try {
    const auto hive = SystemHiveOf(argv[2]);
    const int values =
        std::string_view(argv[1]) == "read" ? ReadWithHivex(hive) : TuneWithHivex(hive);
    std::cout << values << " values\n";
  } catch (const std::exception& failure) {
    std::cerr << "hivex-floor: " << failure.what() << '\n';
    return 2;
  }
  return 0;
}
