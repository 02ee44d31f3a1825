#include "program_options.h"

#include <algorithm>

namespace harnlode {

const char* const kAnswerOptionsHelp =
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

std::string VersionLine(std::string_view program) {
  return std::string(program) + " " HARNLODE_VERSION "\n";
}

ProgramArguments ReadProgramArguments(const std::vector<std::string>& arguments,
                                      std::initializer_list<std::string_view> own_options) {
  ProgramArguments read;
  bool options_ended = false;
  for (const std::string& argument : arguments) {
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      read.operands.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "--help" || argument == "--version") {
      read.answer = argument == "--help" ? ProgramArguments::Answer::kHelp
                                         : ProgramArguments::Answer::kVersion;
      break;
    } else if (std::find(own_options.begin(), own_options.end(), argument) != own_options.end()) {
      read.options.push_back(argument);
    } else {
      read.unknown_option = argument;
      break;
    }
  }
  return read;
}

}  // namespace harnlode
